// The radio record: start values, model code extraction, guarded value and flag access, baseband rows.
#include "radio/radioStorage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "radio/ModelTable.h"

namespace vantrel {

namespace {

constexpr char kNullText[] = "NULL";

// "NULL" followed by blanks up to `width`, then the terminator.
template <std::size_t N>
void setNullText(char (&buffer)[N]) {
    std::memset(buffer, ' ', N - 1);
    std::memcpy(buffer, kNullText, std::min<std::size_t>(N - 1, sizeof(kNullText) - 1));
    buffer[N - 1] = '\0';
}

// Copies up to the field width from `bytes`; the rest of the field and the terminator become NUL.
template <std::size_t N>
void copyField(char (&buffer)[N], std::string_view bytes) {
    std::memset(buffer, 0, N);
    std::memcpy(buffer, bytes.data(), std::min(bytes.size(), N - 1));
}

// Names of the fixed offset rows of radios that hold their own baseband offsets, in row order, with the
// byte of the radio's offset item and the nibble mask (15 low nibble, 240 high nibble).
struct FixedBboRow {
    const char* name;
    std::uint8_t itemCode;
    std::uint8_t mask;
};
constexpr std::uint8_t kLowNibble = 0x0F;
constexpr std::uint8_t kHighNibble = 0xF0;
constexpr FixedBboRow kRadioBboRows[record::kBboRadioRowCount] = {
    {"CSQ Offset", 5, kLowNibble},
    {"NUV/QDT/ZAPO Offset", 5, kHighNibble},
    {"KRT Range 1 Offset", 0, kLowNibble},
    {"KRT Range 2 Offset", 0, kHighNibble},
    {"KRT Range 3 Offset", 2, kLowNibble},
    {"KRT Range 4 Offset", 2, kHighNibble},
    {"LTR Med Deviation Offset", 10, kLowNibble},
    {"LTR High Deviation Offset", 10, kHighNibble},
    {"LTR Low Deviation Offset", 8, kHighNibble},
};

bool inTable(int row, int column) {
    return row >= 0 && row < record::kRows && column >= 0 && column < record::kColumns;
}

bool isFlagIndex(int index) {
    return index >= flag::First && index <= flag::Last;
}

}  // namespace

radioStorage::radioStorage() {
    resetIdentity();
    std::memset(m_icVersion, 0, sizeof m_icVersion);
    std::memcpy(m_icVersion, kNullText, record::kIcVersionLength);
    m_supported.fill(true);
    // Mobile power and battery threshold are only known after a read or load; until then the
    // procedures stay unavailable rather than offering screens over values that were never read.
    m_supported[flag::MobileTxPower - flag::First] = false;
    m_supported[flag::BatteryThreshold - flag::First] = false;
}

void radioStorage::resetIdentity() {
    setNullText(m_modelNo);
    setNullText(m_serialNo);
    setNullText(m_uuid);
}

void radioStorage::setModelNo(std::string_view raw) {
    char text[record::kModelNoLength] = {};
    std::memcpy(text, raw.data(), std::min<std::size_t>(raw.size(), record::kModelNoLength));

    constexpr int kLastStart = 6;
    constexpr std::size_t kPrefixLength = 3;
    int found = -1;
    for (int p = 0; p <= kLastStart; ++p) {
        for (const std::string& prefix : activeModelTable().familyPrefixes) {
            if (prefix.size() == kPrefixLength && std::memcmp(text + p, prefix.data(), kPrefixLength) == 0) {
                found = p;
            }
        }
    }
    if (found >= 1) {
        // Characters 10..15 keep what the record held before.
        std::memcpy(m_modelNo, text + found, record::kModelCodeLength);
    } else {
        std::memcpy(m_modelNo, text, record::kModelNoLength);
    }
    m_modelNo[record::kModelNoLength] = '\0';
}

void radioStorage::setUuid(std::string_view bytes) {
    copyField(m_uuid, bytes);
}

void radioStorage::setSerialNo(std::string_view text) {
    copyField(m_serialNo, text);
}

void radioStorage::setIcVersion(std::string_view bytes) {
    copyField(m_icVersion, bytes);
}

std::int32_t radioStorage::getValue(int row, int column) const {
    return inTable(row, column) ? m_values[row][column] : 0;
}

void radioStorage::setValue(int row, int column, std::int32_t value) {
    if (inTable(row, column))
        m_values[row][column] = value;
}

bool radioStorage::isSupported(int index) const {
    return isFlagIndex(index) && m_supported[index - flag::First];
}

void radioStorage::markSupported(int index) {
    if (isFlagIndex(index))
        m_supported[index - flag::First] = true;
}

void radioStorage::markUnsupported(int index) {
    if (isFlagIndex(index))
        m_supported[index - flag::First] = false;
}

std::int32_t radioStorage::getBboRowCount() const {
    return m_bboFromRadio ? record::kBboRadioRowCount : m_bboBlock.bboRowCount;
}

bool radioStorage::allocateBboRows() {
    m_bboRows.clear();
    if (m_bboFromRadio) {
        m_bboBlock.bboRowCount = record::kBboRadioRowCount;
        m_bboRows.resize(record::kBboRadioRowCount);
        for (int i = 0; i < record::kBboRadioRowCount; ++i) {
            BboRow& r = m_bboRows[i];
            std::memset(r.name, ' ', record::kBboFixedNameWidth);
            std::memcpy(
                r.name, kRadioBboRows[i].name,
                std::min<std::size_t>(std::strlen(kRadioBboRows[i].name), record::kBboFixedNameWidth));
            r.bytePosition = kRadioBboRows[i].itemCode;
            r.mask = kRadioBboRows[i].mask;
        }
        return true;
    }
    const std::int32_t count = m_bboBlock.bboRowCount;
    if (count < 0 || count > kMaxBboRows)
        return false;
    try {
        m_bboRows.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        m_bboRows.clear();
        return false;
    }
    return true;
}

}  // namespace vantrel
