// A codeplug image behind the memory requests of the command interface, for codeplug and baseband tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/Exceptions.h"
#include "link/RadioProtocol.h"

namespace vantrel::test {

/// A codeplug image behind the memory requests: answers reads with the raw reply frame, takes writes,
/// logs the size of every transfer and fails on request.
class FakeCodeplug : public RadioProtocol {
  public:
    explicit FakeCodeplug(std::vector<uint8_t> image) : image(std::move(image)) {}

    void keyUp() override {}
    void dekey() override {}
    void resetRadio() override {}
    void readMemory(uint8_t* destination, uint32_t address, unsigned count) override {
        reads.push_back(count);
        if (failReadAt && reads.size() == failReadAt)
            throw TimeoutOnReceive();
        if (address + count > image.size())
            throw UnsupportedMessage();
        // Short replies carry their count (payload and checksum) in the header's low nibble, longer
        // ones in two more bytes.
        const unsigned payload = 3 + count + 1 + static_cast<unsigned>(shortBy);
        size_t at = 2;
        destination[1] = 0x80;
        if (payload < 0x0F) {
            destination[0] = static_cast<uint8_t>(0xF0 | payload);
        } else {
            destination[0] = 0xFF;
            destination[2] = static_cast<uint8_t>(payload >> 8);
            destination[3] = static_cast<uint8_t>(payload);
            at = 4;
        }
        destination[at] = static_cast<uint8_t>(address >> 16);
        destination[at + 1] = static_cast<uint8_t>(address >> 8);
        destination[at + 2] = static_cast<uint8_t>(address + static_cast<uint32_t>(addressSkew));
        std::copy(image.begin() + address, image.begin() + address + count, destination + at + 3);
    }
    void writeMemory(const uint8_t* source, uint32_t address, unsigned count) override {
        writes.push_back(count);
        if (failWriteAt && writes.size() == failWriteAt)
            throw BadWrite(address);
        std::copy(source, source + count, image.begin() + address);
    }

    std::vector<uint8_t> image;
    std::vector<unsigned> reads;
    std::vector<unsigned> writes;
    size_t failReadAt = 0;
    size_t failWriteAt = 0;
    int shortBy = 0;      ///< declared payload differs from the bytes asked for
    int addressSkew = 0;  ///< the reply names another address
};

}  // namespace vantrel::test
