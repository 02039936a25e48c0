// Codeplug table updates not yet confirmed by the radio, kept on disk so that a later run finishes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// One codeplug table update of one radio whose codeplug checksum the radio has not confirmed yet.
/// A table and the codeplug checksum are two writes: an update cut between them leaves a codeplug that
/// does not add up, and nothing in the radio tells what the checksum should be. `invariant` does: the
/// 16-bit sum of the table's bytes plus the codeplug checksum, taken while the codeplug was consistent;
/// whatever the table holds later, its right checksum is invariant minus the sum of its bytes.
struct pendingCodeplugUpdate {
    std::string serial;              ///< the radio's ten serial characters, as the record holds them
    std::uint32_t tableAddress = 0;  ///< codeplug address of the table
    std::uint16_t invariant = 0;
    std::uint16_t checksumBefore = 0;  ///< the radio's codeplug checksum when the update started
    std::uint16_t checksumAfter = 0;   ///< the codeplug checksum the update writes
};

/// The file "codeplug-pending.txt" of the settings folder: one line per pending update. Every failure to
/// read or write it is answered as "nothing pending" or false; a damaged line is ignored.
class codeplugUpdateJournal {
  public:
    explicit codeplugUpdateJournal(std::string folder) : m_folder(std::move(folder)) {}

    std::optional<pendingCodeplugUpdate> find(const std::string& serial, std::uint32_t tableAddress) const;
    /// Adds the update, or replaces the one of the same radio and table.
    bool note(const pendingCodeplugUpdate& update) const;
    /// Removes the update of this radio and table; true when none is left.
    bool forget(const std::string& serial, std::uint32_t tableAddress) const;

    std::string path() const { return m_folder + "/" + kFileName; }
    static constexpr const char* kFileName = "codeplug-pending.txt";

  private:
    std::vector<pendingCodeplugUpdate> readAll() const;
    bool writeAll(const std::vector<pendingCodeplugUpdate>& updates) const;

    std::string m_folder;
};

/// The 16-bit sum of the bytes, as the codeplug checksum counts them.
std::uint16_t codeplugSum(const std::vector<std::uint8_t>& bytes);

}  // namespace vantrel
