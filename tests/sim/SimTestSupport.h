// Helpers of the simulator tests: send a hand-built frame to a SimRadio and split what it answers.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/SimFrame.h"
#include "sim/SimRadio.h"

namespace vantrel::simtest {

/// One byte the radio sent, with its time.
struct Timed {
    uint64_t atMs;
    uint8_t byte;
};

/// What the radio answered to one request, split as the program reads it.
struct Exchange {
    std::vector<Timed> all;     ///< every byte in time order
    std::vector<uint8_t> echo;  ///< the first `request length` bytes
    std::vector<uint8_t> rest;  ///< everything after the echo
    std::vector<uint8_t> data;  ///< rest without its leading acknowledge (empty when rest is not 0x50...)
    bool disconnect = false;
};

/// Sends `request` to the radio, all bytes at `atMs`, and collects the answer.
inline Exchange send(SimRadio& radio, const std::vector<uint8_t>& request, uint64_t atMs = 1000) {
    Exchange x;
    for (uint8_t b : request)
        for (const SimOutput& o : radio.receive(b, atMs)) {
            if (o.disconnect)
                x.disconnect = true;
            for (size_t i = 0; i < o.bytes.size(); ++i)
                x.all.push_back({o.atMs + i * o.perByteMs, o.bytes[i]});
        }
    std::stable_sort(x.all.begin(), x.all.end(),
                     [](const Timed& a, const Timed& b) { return a.atMs < b.atMs; });
    for (size_t i = 0; i < x.all.size(); ++i) (i < request.size() ? x.echo : x.rest).push_back(x.all[i].byte);
    if (!x.rest.empty() && x.rest[0] == 0x50)
        x.data.assign(x.rest.begin() + 1, x.rest.end());
    return x;
}

/// Builds a request frame by hand (extended opcode), independent of the radio's codec.
inline std::vector<uint8_t> request(uint8_t opcode, std::vector<uint8_t> payload) {
    std::vector<uint8_t> f;
    const size_t n = payload.size() + 1;
    if (n < 15) {
        f = {static_cast<uint8_t>(0xF0 | n), opcode};
    } else {
        f = {0xFF, opcode, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    }
    f.insert(f.end(), payload.begin(), payload.end());
    uint8_t sum = 0;
    for (uint8_t b : f) sum = static_cast<uint8_t>(sum + b);
    f.push_back(static_cast<uint8_t>(0xFF - sum));
    return f;
}

}  // namespace vantrel::simtest
