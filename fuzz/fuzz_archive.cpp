// Fuzz target: the softpot archive reader on an arbitrary file.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::runArchiveReader(data, size);
    return 0;
}
