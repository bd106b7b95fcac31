// A second source file with a header of its own: each generated header is
// included in exactly one source file.
#include <hexcrate/extract_support.h>

#include "greeting.h"
#include "motto.h"

bool ExtractGreeting(const char* path) {
    CGreetingFile greeting;
    return greeting.ExtractFile(path) != 0 && sizeof greetingfile == greetinglength &&
           sizeof mottofile == mottolength;
}
