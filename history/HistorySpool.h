// The local spool: events that the store could not take wait here, one file each, until it can.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/ServiceEvent.h"

namespace vantrel {

/// A folder of waiting events. Each event is one file written whole to a temporary name and renamed,
/// so a process killed while spooling leaves no half event; an event spooled twice is one file (named
/// by its uid). Several processes may use one spool: delivery is idempotent (the store keeps one event
/// per uid) and a file is removed only after its event was stored.
class HistorySpool {
  public:
    explicit HistorySpool(std::string directory) : m_directory(std::move(directory)) {}

    const std::string& directory() const { return m_directory; }
    /// Writes the event (creating the folder). Throws HistoryError (Full when the disk is full).
    void put(const ServiceEvent& event) const;
    /// The waiting event files, oldest first.
    std::vector<std::string> pending() const;
    /// The event of a spool file; nullopt when it is gone or is no event file (it is then renamed
    /// with ".bad" so that it is not tried again).
    std::optional<ServiceEvent> load(const std::string& file) const;
    /// Removes a file once its event is stored.
    void remove(const std::string& file) const;

    /// The event as the spool writes it, and back (nullopt for anything else). Byte for byte.
    static std::string serialize(const ServiceEvent& event);
    static std::optional<ServiceEvent> deserialize(std::string_view text);

  private:
    std::string m_directory;
};

}  // namespace vantrel
