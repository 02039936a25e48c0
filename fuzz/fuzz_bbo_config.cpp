// Fuzz target: the baseband offset configuration reader (bbo.cfg) on arbitrary bytes.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runBboConfig(data, size);
    return 0;
}
