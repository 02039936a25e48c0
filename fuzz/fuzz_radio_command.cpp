// Fuzz target: a whole Read Radio or Program All against a radio answering arbitrary bytes.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runRadioCommand(data, size);
    return 0;
}
