// Writes the carried files back out: consumer PAYLOAD-COPY GREETING-COPY
#include <hexcrate/extract_support.h>

#include "greeting.h"
#include "payload.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    return CPayloadFile().ExtractFile(argv[1]) && CGreetingFile().ExtractFile(argv[2]) ? 0 : 1;
}
