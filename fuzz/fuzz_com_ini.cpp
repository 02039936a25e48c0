// Fuzz target: the COM.INI reader on arbitrary text.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runComIni(data, size);
    return 0;
}
