// Hexadecimal text conversion.
#include "radio/convertUtil.h"

#include <algorithm>

namespace vantrel {

namespace {

constexpr std::uint32_t kRadix = 16;

std::uint32_t digitValue(char c) {
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    return 0;
}

}  // namespace

std::uint32_t convertUtil::hexToInt(std::string_view text, int length) {
    m_zerosSkipped = 0;
    m_digitsRead = 0;
    if (length <= 0)
        return 0;
    const std::size_t end = std::min(text.size(), static_cast<std::size_t>(length));
    std::size_t pos = 0;
    while (pos < end && text[pos] == '0') {
        ++pos;
        ++m_zerosSkipped;
    }
    std::uint32_t value = 0;
    for (; pos < end; ++pos) {
        value = value * kRadix + digitValue(text[pos]);
        ++m_digitsRead;
    }
    return value;
}

}  // namespace vantrel
