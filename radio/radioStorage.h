// The one in-memory radio record: identity, softpot values, frequency points, support flags, baseband rows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "radio/RecordLayout.h"

namespace vantrel {

/// One row of the baseband offset table description: name, byte position in a channel-spacing entry and
/// the bit mask within that byte (15 for the low nibble, anything else the high nibble).
struct BboRow {
    char name[record::kBboNameLength + 1] = {};  ///< 30 characters, NUL-terminated
    std::uint8_t bytePosition = 0;
    std::uint8_t mask = 0;
};

/// The baseband offset configuration block that matched this radio.
struct BboBlock {
    std::int32_t word = 0;  ///< leading word of the block
    char modelKey[4] = {};  ///< three model characters and a terminator
    char modelChar = 0;     ///< one further model character
    std::uint8_t spare = 0;
    std::int32_t versionAddress = 0;  ///< codeplug address of the version byte to check
    std::int32_t lowestVersion = 0;   ///< lowest accepted version
    std::int32_t highestVersion = 0;  ///< highest accepted version
    std::int32_t tableAddress = 0;    ///< codeplug address of the offset table (low 16 bits used)
    std::int32_t bboRowCount = 0;     ///< rows described by the configuration file
};

/// The passive radio record. One instance lives for the whole run; everybody works on that instance
/// through a pointer or reference, so copying is disabled. No operation fails or throws: indices outside
/// their ranges are ignored by setters and answered with 0 or false by getters.
///
/// Identity texts are fixed-width byte fields that the record copies into its own buffers; they may hold
/// any byte. The `const char*` getters return the NUL-terminated buffer (16, 16, 10 and 4 bytes plus a
/// terminator); the `...Bytes()` accessors return the full fixed width, NUL fill included.
class radioStorage {
  public:
    radioStorage();

    /// Takes every field of `other` (a read fills a scratch record and commits it at its end). Plain
    /// copies stay private so that no screen edits a copy of the record by mistake.
    void copyFrom(const radioStorage& other) { *this = other; }

    // --- Identity -------------------------------------------------------------------------------
    /// 16-character model number; its first ten characters are the model code after a read or load.
    const char* getModelNo() const { return m_modelNo; }
    std::string modelNoBytes() const { return std::string(m_modelNo, record::kModelNoLength); }
    /// Extracts the model code from the raw model text the radio returns (16 characters; shorter input
    /// counts as NUL-filled). The last of positions 0..6 where a family prefix of the active model table
    /// starts wins; a code found at 1..6 is moved to the front (characters 10..15 keep their previous
    /// contents), otherwise the raw text is taken unchanged.
    void setModelNo(std::string_view raw);

    /// 16-byte radio identifier, compared byte by byte.
    const char* getUuid() const { return m_uuid; }
    std::string uuidBytes() const { return std::string(m_uuid, record::kUuidLength); }
    /// Copies up to 16 bytes; missing bytes become NUL.
    void setUuid(std::string_view bytes);

    /// 10-character serial number ("Invalid" after a failed read).
    const char* getSerialNo() const { return m_serialNo; }
    std::string serialNoBytes() const { return std::string(m_serialNo, record::kSerialNoLength); }
    /// Copies up to 10 bytes; missing bytes become NUL, so "Invalid" reads back as "Invalid".
    void setSerialNo(std::string_view text);

    /// 4 version bytes of the radio's main IC.
    const char* getIcVersion() const { return m_icVersion; }
    std::string icVersionBytes() const { return std::string(m_icVersion, record::kIcVersionLength); }
    /// Copies up to 4 bytes; missing bytes become NUL.
    void setIcVersion(std::string_view bytes);

    /// Sets model number, serial number and identifier back to their "NULL" start texts.
    void resetIdentity();

    // --- Validity and procedure --------------------------------------------------------------------
    std::uint8_t getDataVersion() const { return m_dataVersion; }
    void setDataVersion(std::uint8_t v) { m_dataVersion = v; }
    /// `values[0][8]`: procedureSet::Portable or procedureSet::Mobile; anything else blocks tuning.
    std::int32_t getTuningProcedure() const { return m_values[row::Frequency][col::TuningProcedure]; }
    bool hasMobileProcedures() const { return getTuningProcedure() == procedureSet::Mobile; }
    void setTuningProcedure(std::int32_t v) { m_values[row::Frequency][col::TuningProcedure] = v; }

    // --- Value table ---------------------------------------------------------------------------------
    /// Value at row, column (both 0..21); 0 for any index outside the table.
    std::int32_t getValue(int row, int column) const;
    /// Stores a value at row, column (both 0..21); a write outside the table is ignored.
    void setValue(int row, int column, std::int32_t value);

    // --- Support flags -----------------------------------------------------------------------------
    /// Flag of index 2..28 (see namespace flag); false for any other index.
    bool isSupported(int index) const;
    /// Sets exactly the flag of index 2..28; other indices are ignored.
    void markSupported(int index);
    /// Clears exactly the flag of index 2..28; other indices are ignored.
    void markUnsupported(int index);

    // --- Baseband offset data ------------------------------------------------------------------------
    bool isBboFromRadio() const { return m_bboFromRadio; }
    void setBboFromRadio(bool b) { m_bboFromRadio = b; }
    std::int32_t getBboConfigStatus() const { return m_bboConfigStatus; }
    void setBboConfigStatus(std::int32_t v) { m_bboConfigStatus = v; }
    std::int32_t getBboConfigBlocks() const { return m_bboConfigBlocks; }
    void setBboConfigBlocks(std::int32_t n) { m_bboConfigBlocks = n; }
    BboBlock& bboBlock() { return m_bboBlock; }
    const BboBlock& bboBlock() const { return m_bboBlock; }
    /// 9 when the radio holds its own offsets, otherwise the configuration block's row count.
    std::int32_t getBboRowCount() const;
    /// Replaces the row array. With `bboFromRadio` set: the nine fixed rows of radios that hold their
    /// own offsets (names blank-padded to 25 characters) and the block's row count becomes 9. Otherwise
    /// `bboBlock().bboRowCount` empty rows for the configuration reader to fill. Answers false (and leaves
    /// no rows) when that count is negative or above kMaxBboRows.
    bool allocateBboRows();
    std::vector<BboRow>& getBboRows() { return m_bboRows; }
    const std::vector<BboRow>& getBboRows() const { return m_bboRows; }

    /// Upper bound on configured baseband rows; a larger count can only come from a damaged file.
    static constexpr std::int32_t kMaxBboRows = 256;

  private:
    radioStorage(const radioStorage&) = default;
    radioStorage& operator=(const radioStorage&) = default;

    char m_modelNo[record::kModelNoLength + 1];
    char m_uuid[record::kUuidLength + 1];
    char m_serialNo[record::kSerialNoLength + 1];
    std::uint8_t m_dataVersion = 0;
    char m_icVersion[record::kIcVersionLength + 1];
    std::int32_t m_bboConfigStatus = 0;
    std::int32_t m_bboConfigBlocks = 0;
    bool m_bboFromRadio = false;
    BboBlock m_bboBlock;
    std::vector<BboRow> m_bboRows;
    std::array<std::array<std::int32_t, record::kColumns>, record::kRows> m_values{};
    std::array<bool, flag::Count> m_supported{};
};

}  // namespace vantrel
