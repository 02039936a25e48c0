// Fuzz target: the model table override parser on arbitrary text.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runModelTable(data, size);
    return 0;
}
