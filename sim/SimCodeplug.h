// Codeplug image of the simulated radio: self-describing tables with their checksums and the 16-bit sum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

/// A codeplug table as a profile describes it. The header, the table length and every checksum byte
/// are derived from it; checksum bytes make the covered bytes add up to 0xFF modulo 256.
struct SimCodeplugTable {
    uint32_t address = 0;
    bool longForm = false;        ///< six-byte header with records
    bool varyingRecords = false;  ///< long form: records of varying entry counts
    bool entryChecksums = false;
    bool recordChecksums = false;  ///< long form only
    bool tableChecksum = false;
    bool marker = false;  ///< marker bit of header byte 0 (no meaning to the radio)
    int entrySize = 1;
    /// [record][entry][byte]; the short form has exactly one record.
    std::vector<std::vector<std::vector<uint8_t>>> records;
};

/// Header bits and layout of codeplug tables.
namespace cptable {
inline constexpr uint8_t kTableChecksumBit = 0x80;      ///< byte 0
inline constexpr uint8_t kInnerChecksumBit = 0x40;      ///< byte 0: entry (short) or record (long) checksums
inline constexpr uint8_t kLongFormBit = 0x04;           ///< byte 0
inline constexpr uint8_t kMarkerBit = 0x02;             ///< byte 0
inline constexpr uint8_t kLongEntryChecksumBit = 0x40;  ///< long form byte 3
inline constexpr int kShortHeader = 3;
inline constexpr int kLongHeader = 6;
}  // namespace cptable

/// Encodes a table (header, entries and checksums) as it lies in the codeplug.
/// Throws std::invalid_argument when the description cannot be encoded (sizes above 255, ragged entries).
std::vector<uint8_t> encodeCodeplugTable(const SimCodeplugTable& table);

/// Checks every checksum of the table at `address` in `image`; answers an empty text when all hold,
/// else what is wrong ("entry 2 of record 0: checksum 0x12, expected 0x15").
std::string verifyCodeplugTable(const std::vector<uint8_t>& image, uint32_t address);

/// The 16-bit codeplug checksum (stored high byte first at the checksum address) that makes the sum of
/// every other byte of the image plus the checksum 0 modulo 65536.
uint16_t codeplugChecksum(const std::vector<uint8_t>& image);
/// Whether the stored codeplug checksum matches the image.
bool codeplugChecksumHolds(const std::vector<uint8_t>& image);
/// Stores the matching checksum in the image.
void storeCodeplugChecksum(std::vector<uint8_t>& image);

}  // namespace vantrel
