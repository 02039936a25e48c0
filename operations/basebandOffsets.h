// Baseband offsets of one radio: the codes per channel spacing and row, their choice and the update.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "operations/codeplugUpdateJournal.h"
#include "radio/codeplugAccess.h"

namespace vantrel {

class EnhancedSBEP;
class RadioProtocol;
class radioStorage;

/// Offset codes, their texts and the baseband offset requests.
namespace bboCode {
inline constexpr int None = 255;  ///< no value (empty text)
inline constexpr int Count = 16;
inline constexpr int Spacings = 3;  ///< 0 = 12.5 kHz, 1 = 20 kHz, 2 = 25 kHz
inline constexpr int MaxRows = 20;
inline constexpr std::uint8_t LowNibbleMask = 0x0F;
inline constexpr std::uint8_t WriteIndexBase = 0x81;  ///< third argument of writeBBO: 0x81 + spacing
/// Item codes of the radio's offset bytes, in the record's column order (row 13, column = spacing * 5 + k).
inline constexpr std::array<std::uint8_t, 5> Items = {5, 0, 2, 10, 8};
inline constexpr int FixedRows = 9;
/// The text of a code 0..15; empty for anything else.
std::string text(int code);
/// The code of a text, None when it is none of the sixteen.
int fromText(const std::string& text);
/// The sixteen codes in the order the drop-down lists show them (28 Hz up to 1500 Hz).
const std::array<int, Count>& listOrder();
}  // namespace bboCode

/// The offsets of the radio in the record: for radios that hold their own (`bboFromRadio`) the nine fixed
/// rows over the record's row 13; for the others the configuration rows over a codeplug table loaded from
/// the radio. Keeps a default code (as read) and a new code (as chosen) per spacing and row.
class basebandOffsets {
  public:
    /// What an update came to.
    enum class UpdateResult {
        Updated,          ///< written, read back and (main band group) the codeplug checksum confirmed
        Failed,           ///< the radio failed; the table may be partly written (a later update repairs it)
        ChecksumUnknown,  ///< the codeplug checksum could not be read at set-up: nothing written
        Inconsistent,     ///< the table was written, the codeplug checksum not: the codeplug does not add up
                          ///< until an update succeeds (the next one, also in a later run, repairs it)
    };

    explicit basebandOffsets(radioStorage& record);

    bool fromRadio() const { return m_fromRadio; }
    bool mainBandGroup() const { return m_mainBandGroup; }
    int rowCount() const { return m_rows; }
    int defaultCode(int spacing, int row) const;
    int newCode(int spacing, int row) const;
    bool entryError() const { return m_entryError; }
    bool checksumKnown() const { return m_checksumKnown; }
    const codeplugAccess& table() const { return m_table; }
    const std::uint8_t* codeplugChecksum() const { return m_sum; }

    /// Takes the codes: from the record's row 13 (radios holding their offsets, no radio access), or from
    /// the codeplug table at the block's table address (low 16 bits). False when the table cannot be
    /// loaded or a row's byte is not in it.
    bool load(RadioProtocol& link);
    /// Reads the codeplug checksum of main band group radios on a connection of its own; a failure
    /// leaves the checksum unknown (and update refuses). True for other radios. Call it after load: when an
    /// earlier update of this radio's table was cut before its checksum (see codeplugUpdateJournal), the
    /// checksum becomes the one the loaded table needs and interruptedUpdateFound() tells.
    bool readChecksum();
    /// The same over the caller's connection.
    bool readChecksum(RadioProtocol& link);
    /// An earlier update of this radio was cut between the table and the codeplug checksum: the radio's
    /// codeplug does not add up, and the next update puts it right.
    bool interruptedUpdateFound() const { return m_interruptedFound; }

    /// Chooses a new code. None (a text that matched no offset) changes nothing. For table radios the
    /// byte goes into the loaded table at once (keeping the codeplug checksum on main band group
    /// radios, the table's own checksums otherwise); false (and the entry-error flag) when refused.
    bool choose(int spacing, int row, int code);

    /// Writes the new codes into the radio. Radios holding their offsets: the fifteen writeBBO requests
    /// in column order; each successful one updates the record's row 13 and the defaults of its rows.
    /// Table radios: the table, read back and compared, then (main band group) the codeplug checksum,
    /// confirmed by reading it back, then the reset whatever came before; on success the defaults take over
    /// the new codes. The codeplug checksum is worked out from what the radio holds when the update starts
    /// (its checksum and table as read then), or from the pending update of codeplugUpdateJournal when an
    /// earlier one was cut; the update is noted there until the radio confirms the checksum.
    UpdateResult update(EnhancedSBEP& link);

    /// Words for an Inconsistent update (the user's message stays the radio communication error).
    static constexpr const char* kInconsistentText =
        "the offset table was written but not the codeplug checksum: the codeplug does not add up until the "
        "update is made again";

    /// The byte a code makes of a table byte: mask 15 puts it in the low nibble, any other the high one.
    static std::uint8_t merge(std::uint8_t current, std::uint8_t mask, int code);
    /// The code a table byte holds under a mask (shifted down when above 15).
    static int extract(std::uint8_t byte, std::uint8_t mask);

  private:
    bool updateRadioHeld(EnhancedSBEP& link);
    /// The table, read back, then the codeplug checksum, confirmed; the reset follows in updateTable.
    UpdateResult updateTable(EnhancedSBEP& link);
    UpdateResult writeTable(EnhancedSBEP& link);
    /// Where the table lies in the codeplug.
    std::uint32_t tableAddress() const;
    /// The pending update of this radio's table that still fits a codeplug checksum `radioChecksum`; a
    /// pending update it does not fit (the codeplug changed since) is dropped.
    std::optional<pendingCodeplugUpdate> pendingFor(std::uint16_t radioChecksum);
    /// After reading the checksum: takes a pending update into account.
    void checkPendingUpdate();

    /// Records the update in the service history.
    void recordUpdate(const std::array<std::array<int, bboCode::MaxRows>, bboCode::Spacings>& before,
                      UpdateResult result) const;

    radioStorage& m_record;
    bool m_fromRadio = false;
    bool m_mainBandGroup = false;
    int m_rows = 0;
    std::array<std::array<int, bboCode::MaxRows>, bboCode::Spacings> m_default{};
    std::array<std::array<int, bboCode::MaxRows>, bboCode::Spacings> m_new{};
    codeplugAccess m_table;
    std::uint8_t m_sum[2] = {0, 0};
    bool m_checksumKnown = false;
    bool m_entryError = false;
    bool m_interruptedFound = false;
    /// The update this object noted and the radio has not confirmed.
    std::optional<pendingCodeplugUpdate> m_pending;
};

}  // namespace vantrel
