// Codeplug tables: loads one self-describing table from the radio, changes bytes with its checksums, stores
// it.
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel {

class RadioProtocol;

/// Header bits and sizes of a codeplug table, and the codeplug's own 16-bit checksum.
namespace codeplugTable {
inline constexpr std::uint8_t TableChecksumBit = 0x80;      ///< byte 0: one table checksum byte at the end
inline constexpr std::uint8_t InnerChecksumBit = 0x40;      ///< byte 0: entry (short) or record (long) sums
inline constexpr std::uint8_t LongFormBit = 0x04;           ///< byte 0: six-byte header with records
inline constexpr std::uint8_t MarkerBit = 0x02;             ///< byte 0: recorded, no meaning
inline constexpr std::uint8_t LongEntryChecksumBit = 0x40;  ///< long form byte 3: entry sums
inline constexpr int ShortHeader = 3;
inline constexpr int LongHeader = 6;
inline constexpr int VaryingHeader = 5;     ///< the varying form's first record count sits at byte 5
inline constexpr unsigned ReadChunk = 32;   ///< bytes per memory read
inline constexpr unsigned WriteChunk = 38;  ///< bytes per memory write
inline constexpr std::uint32_t CodeplugChecksumAddress = 766;  ///< 16-bit sum, high byte first
inline constexpr std::uint32_t AddressLimit = 0x1000000;       ///< memory requests carry 24-bit addresses
}  // namespace codeplugTable

/// One codeplug table loaded into memory. Load it, read and change single bytes (each change keeps a
/// covering checksum right), store it back. Positions are (record, entry, byte); the short form has the
/// one record 0. Every radio failure inside loadTable, storeTable and the checksum operations is caught
/// and answered false; no call reads or writes outside the loaded table.
class codeplugAccess {
  public:
    static constexpr int StateEmpty = 0;
    static constexpr int StateLoaded = 3;

    /// Reads the header at `address`, works out the table's shape and length (reading the varying
    /// records' count bytes one by one) and reads the whole table in 32-byte chunks. The table counts as
    /// loaded only when all of it came back; a failed load leaves nothing loaded. Refuses a table that
    /// would reach past the 24-bit address space.
    bool loadTable(RadioProtocol& link, std::uint32_t address);
    /// Writes the loaded table back to `address` in 38-byte chunks. False when nothing is loaded or a
    /// write fails (the radio may then hold part of the table).
    bool storeTable(RadioProtocol& link, std::uint32_t address);

    /// Copies one byte of the loaded table. False when nothing is loaded or the position is not one of
    /// the table's entry bytes.
    bool getEntryByte(std::uint8_t& out, int record, int entry, int byte) const;
    /// Stores one byte and moves the innermost checksum that covers it (entry, else record, else table)
    /// by the opposite amount, so every sum stays constant. A table without any checksum just takes the
    /// byte; a table with checksums where none covers the position refuses (false, nothing changed).
    bool setEntryByte(std::uint8_t value, int record, int entry, int byte);
    /// Stores one byte and moves the caller's 16-bit codeplug checksum `sum` (high byte first) by the
    /// opposite amount. Refuses tables that carry checksums of their own (those keep their own sums).
    bool setEntryByteKeepSum(std::uint8_t value, int record, int entry, int byte, std::uint8_t sum[2]);

    /// Opens a connection of its own, reads the two bytes at address 766 and closes it. False when the
    /// port cannot be opened or the read fails.
    static bool readCodeplugChecksum(std::uint8_t out[2]);
    /// The same over a connection the caller holds.
    static bool readCodeplugChecksum(std::uint8_t out[2], RadioProtocol& link);
    /// Writes the two bytes to address 766.
    static bool writeCodeplugChecksum(const std::uint8_t bytes[2], RadioProtocol& link);

    /// Reads `count` (1..32) bytes at `address` into `out`; false on any failure or a reply that does not
    /// carry exactly those bytes.
    static bool readBytes(RadioProtocol& link, std::uint32_t address, unsigned count, std::uint8_t* out);

    int state() const { return m_state; }
    bool isLoaded() const { return m_state == StateLoaded; }
    std::uint32_t tableLength() const { return m_tableLength; }
    const std::vector<std::uint8_t>& buffer() const { return m_buffer; }
    bool isLongForm() const { return m_longForm; }
    bool hasAnyChecksum() const { return m_entrySums || m_recordSums || m_tableSum; }
    /// Position of the checksum byte the last change moved (or looked for).
    std::uint32_t lastChecksumPosition() const { return m_checksumPosition; }
    /// The table position of an entry byte, or -1 when the position is not in the table.
    long positionOf(int record, int entry, int byte) const;
    /// The position of the innermost checksum byte covering table position `position`, or -1.
    long checksumFor(std::uint32_t position) const;

  private:
    struct RecordShape {
        std::uint32_t start = 0;  ///< first byte of the record (its count byte in the varying form)
        std::uint32_t length = 0;
        int entries = 0;
    };
    bool decodeHeader(RadioProtocol& link, std::uint32_t address);
    std::uint32_t entryStride() const {
        return static_cast<std::uint32_t>(m_entrySize + (m_entrySums ? 1 : 0));
    }
    int headerSize() const;

    std::uint32_t m_tableAddress = 0;
    int m_entrySize = 0;
    int m_entriesPerRecord = 0;  ///< short form: the number of entries
    int m_recordSize = 0;
    int m_records = 0;  ///< 0 for the short form
    bool m_entrySums = false;
    bool m_recordSums = false;
    bool m_tableSum = false;
    bool m_marker = false;
    bool m_longForm = false;
    bool m_varying = false;
    std::uint32_t m_tableLength = 0;
    std::uint32_t m_checksumPosition = 0;
    std::vector<std::uint8_t> m_buffer;
    std::vector<RecordShape> m_shape;
    int m_state = StateEmpty;
};

}  // namespace vantrel
