// Fuzz target: the reply reader on arbitrary bytes from the radio.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runReplyReader(data, size);
    return 0;
}
