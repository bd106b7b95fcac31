// Writes the bytes of a generated header back out: extract OUTPUT
#include "standin.h"
#include HEADER

int main(int argc, char** argv) {
    CLASS_NAME extractor;
    return argc == 2 && extractor.ExtractFile(argv[1]) ? 0 : 1;
}
