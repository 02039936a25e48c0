// Fuzz target: the command-line tool's JSON import on arbitrary text.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runRecordJson(data, size);
    return 0;
}
