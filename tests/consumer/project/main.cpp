// Writes the carried files back out: consumer PAYLOAD-COPY GREETING-COPY
#include <hexcrate/extract_support.h>

#include "payload.h"

bool ExtractGreeting(const char* path);

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    CPayload payload;
    return payload.ExtractFile(argv[1]) && ExtractGreeting(argv[2]) ? 0 : 1;
}
