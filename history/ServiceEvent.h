// One service event of a radio: what was done to it, when, where, by whom, and with which values.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// What an event records.
enum class EventKind {
    Read,         ///< Read Radio: identity, every value read, outcome
    ProgramAll,   ///< Program All: what was written (on failure or cancel: what reached the radio)
    Program,      ///< one procedure programmed by a screen or a script: its points before and after
    Utility,      ///< serial number, baseband offsets, temp comp
    ArchiveLoad,  ///< an archive file loaded (file name and hash)
    ArchiveSave,  ///< an archive file saved (file name and hash)
};

/// The name an event kind is stored under: "read", "program-all", "program", "utility", "archive-load",
/// "archive-save".
std::string_view eventKindName(EventKind kind);
/// The kind of a stored name; nullopt for an unknown one.
std::optional<EventKind> eventKindNamed(std::string_view name);

/// The outcome words of events (ServiceEvent::outcome).
namespace eventOutcome {
inline constexpr const char* Ok = "ok";                           ///< done as asked
inline constexpr const char* Failed = "failed";                   ///< the link failed part-way
inline constexpr const char* Cancelled = "cancelled";             ///< the user cancelled part-way
inline constexpr const char* Stopped = "stopped";                 ///< a signal or a check stopped it
inline constexpr const char* Refused = "refused";                 ///< the radio or a rule refused it
inline constexpr const char* SerialMismatch = "serial-mismatch";  ///< another radio was connected
inline constexpr const char* PortBusy = "port-busy";              ///< the port could not be opened
inline constexpr const char* InvalidPoints = "invalid-points";   ///< the radio's frequency points are invalid
inline constexpr const char* PowerUpFailed = "power-up-failed";  ///< the radio reported a power-up failure
}  // namespace eventOutcome

/// One value of an event: a softpot, a frequency point or a code, before and after the event.
struct EventValue {
    std::string name;  ///< "Transmit High Power F3": the same name in every kind of event
    int row = -1;      ///< place in the radio record, -1 when it has none
    int column = -1;
    std::optional<std::int64_t> before;  ///< nullopt: not known (a read knows only what it found)
    std::optional<std::int64_t> after;   ///< nullopt: not known (not written)
    bool operator==(const EventValue&) const = default;
};

/// One event. Every text is kept byte for byte (NUL bytes and any other byte included).
struct ServiceEvent {
    std::string uid;      ///< 32 hexadecimal digits; a store keeps one event per uid
    std::string timeUtc;  ///< "2025-03-01T14:05:09.123Z"
    EventKind kind = EventKind::Read;
    std::string serial;        ///< the radio's serial number without trailing blanks; empty: not known
    std::string model;         ///< the radio's model number without trailing blanks
    std::string subject;       ///< "Read Radio", "Program All", the procedure or utility, the archive
    std::string outcome;       ///< one of eventOutcome
    std::string detail;        ///< the messages shown, the failed step and its cause, identity extras
    std::string fileName;      ///< archive events: the file's path
    std::string fileHash;      ///< archive events: "sha256:" and 64 hexadecimal digits
    std::string bench;         ///< the workstation's host name
    std::string operatorName;  ///< the login name unless set
    std::string program;       ///< "vantrel 0.1.0", "vantrel-cli 0.1.0"
    std::string port;          ///< "COM1 /dev/ttyUSB0", or the device path given
    std::vector<EventValue> values;
    bool operator==(const ServiceEvent&) const = default;

    /// The value of a name, nullptr when the event has none.
    const EventValue* value(std::string_view name) const;
};

/// A new uid: 128 random bits as 32 hexadecimal digits.
std::string newEventUid();
/// Whether a text has the form of a uid (32 lower-case hexadecimal digits).
bool validEventUid(std::string_view uid);
/// "YYYY-MM-DDTHH:MM:SS.mmmZ" of a time: texts of this form sort as the times do.
std::string utcTimestamp(std::chrono::system_clock::time_point time);

}  // namespace vantrel
