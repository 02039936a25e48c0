// Fuzz target: one command-layer exchange against a radio answering arbitrary bytes.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runExchange(data, size);
    return 0;
}
