// The utilities' work with the radio: serial number programming, temp comp, baseband offset update. The
// command-line tool and the session run them; their windows show them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/EnhancedSBEP.h"
#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "radio/radioStorage.h"

namespace vantrel {

/// Serial number programming into a radio whose serial number reads blank.
namespace serialProgramming {
enum class result {
    Programmed,   ///< written (and, when asked, read back the same)
    TooShort,     ///< fewer than ten characters: nothing sent
    OtherRadio,   ///< the radio connected does not read `expected`: nothing written
    NotReadBack,  ///< written, but the radio reads back something else
};
/// Writes the first ten characters of `serial` into the connected radio when it reads `expected` (the
/// record's serial number, or ten blanks). With `verify` the serial number is read back; `readBack` gets it.
/// Link failures propagate.
result program(EnhancedSBEP& link, std::string_view expected, std::string_view serial, bool verify,
               std::string* readBack = nullptr);
}  // namespace serialProgramming

/// The four bytes of temperature compensation data (softpot 1).
namespace tempComp {
using bytes = TempCompBytes;
/// Stores the bytes; false when the radio refused them ("unsupported"): nothing was written. Link
/// failures propagate.
bool write(EnhancedSBEP& link, const bytes& data);
/// The bytes into the record (row 0, columns 9..12), so that Program All writes what the radio holds.
void store(radioStorage& record, const bytes& data);
}  // namespace tempComp

/// Texts of the baseband offset update.
namespace bboText {
inline constexpr const char* InitFailed = "Unable to initialize baseband offset data";
inline constexpr const char* InitFailedCaption = "Error";
inline constexpr const char* EntryError = "Data entry error!!";
inline constexpr const char* UpdateAnyway = "An error occured, update anyway?";
inline constexpr const char* UpdateAnywayCaption = "Note";
/// Radios holding their own offsets, and radios whose offsets are a codeplug table.
inline constexpr const char* UpdatedRadio = "Baseband Offset parameters updated successfully";
inline constexpr const char* UpdatedTable = "Baseband offset parameters updated successfully";
}  // namespace bboText

/// The baseband offset update of one radio, as the command-line tool runs it on a radio it has not read:
/// the radio's identity and offsets, the configuration match, the codes, the choice, the update and the
/// read-back.
class basebandUpdate {
  public:
    enum class result {
        Ok,
        NeedsConfig,      ///< the radio keeps its offsets in a codeplug table: a configuration file is needed
        NotMatched,       ///< the configuration does not match the radio (`match()` says why)
        LoadFailed,       ///< the offsets could not be taken from the radio
        ChecksumUnknown,  ///< the codeplug checksum could not be read: nothing may be written
        NoSuchRow,        ///< no row of that name
        EntryError,       ///< the loaded table refused the choice
        UpdateFailed,     ///< the radio failed during the update
        Inconsistent,     ///< the table was written, not the codeplug checksum
        NotReadBack,      ///< the radio reads back something else than was chosen
    };
    static constexpr const char* kSpacingNames[] = {"12.5 kHz", "20 kHz", "25 kHz"};

    /// `config` is loaded or not (radios holding their own offsets need none).
    explicit basebandUpdate(bboConfigFileModule& config);

    /// Reads the radio's model, serial number and offsets, matches the configuration and loads the codes.
    result prepare(EnhancedSBEP& link);
    bboMatchResult match() const { return m_match; }
    basebandOffsets& offsets() { return *m_offsets; }
    const radioStorage& record() const { return m_record; }
    /// The names of the rows, blanks trimmed.
    std::vector<std::string> rowNames() const;
    /// Reads the codeplug checksum (before a change); an earlier cut update is then found.
    result readChecksum(EnhancedSBEP& link);
    /// Chooses `code` for the row named `name` (case-insensitive) at a spacing, or at all three (-1).
    result choose(const std::string& name, int spacing, int code);
    /// Writes the chosen codes, then reads the radio back and compares. `detail` says what differs.
    result update(EnhancedSBEP& link, std::string* detail);

  private:
    bboConfigFileModule& m_config;
    radioStorage m_record;
    bboMatchResult m_match = bboMatchResult::Matched;
    std::optional<basebandOffsets> m_offsets;
};

}  // namespace vantrel
