// The stored text encoding.
#include "history/storedText.h"

#include <algorithm>
#include <cstdint>

namespace vantrel {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

/// Length of the valid UTF-8 sequence (not U+0000) at `at`, 0 when the byte there starts none.
std::size_t sequenceLength(std::string_view s, std::size_t at) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[at + i]); };
    const std::size_t left = s.size() - at;
    const unsigned char c = b(0);
    if (c >= 0x01 && c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && continuation(b(1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !continuation(b(1)) || !continuation(b(2)))
            return 0;
        if (c == 0xE0 && b(1) < 0xA0)
            return 0;  // overlong
        if (c == 0xED && b(1) > 0x9F)
            return 0;  // surrogates
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !continuation(b(1)) || !continuation(b(2)) || !continuation(b(3)))
            return 0;
        if (c == 0xF0 && b(1) < 0x90)
            return 0;
        if (c == 0xF4 && b(1) > 0x8F)
            return 0;
        return 4;
    }
    return 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string encodeStoredText(std::string_view bytes) {
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x01 && u < 0x80 && c != '\\';
    });
    if (plain)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        if (c == '\\') {
            out += "\\\\";
            ++i;
        } else if (c == '\0') {
            out += "\\0";
            ++i;
        } else if (const std::size_t n = sequenceLength(bytes, i); n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            const auto u = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
            ++i;
        }
    }
    return out;
}

std::string decodeStoredText(std::string_view text) {
    // Most texts hold no escape at all: they come back as they are.
    if (text.find('\\') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\') {
            out += '\\';
            ++i;
        } else if (next == '0') {
            out += '\0';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0 &&
                   hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            out += '\\';
        }
    }
    return out;
}

}  // namespace vantrel
