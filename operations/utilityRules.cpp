// Rules the utilities share: the serial number's characters, the temp comp text.
#include "operations/utilityRules.h"

#include <algorithm>
#include <cstdio>

namespace vantrel {

namespace serialRule {

bool admits(char c) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    return letter || digit || c == '.' || Punctuation.find(c) != std::string_view::npos;
}

bool valid(std::string_view serial) {
    return serial.size() == Length && std::all_of(serial.begin(), serial.end(), admits);
}

bool blank(std::string_view serial) {
    return serial.size() >= Length && serial.substr(0, Length) == std::string_view("          ");
}

}  // namespace serialRule

namespace tempCompRule {

std::string format(const std::array<std::uint8_t, 4>& bytes) {
    std::string out;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%.2x", b);
        out += pair;
    }
    return out;
}

std::optional<std::array<std::uint8_t, 4>> parse(std::string_view text) {
    if (text.size() != Digits)
        return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = digit(text[2 * i]);
        const int low = digit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return bytes;
}

}  // namespace tempCompRule

}  // namespace vantrel
