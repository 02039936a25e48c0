// The service history store: one interface, a SQLite file on one bench or a PostgreSQL server for a shop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "history/ServiceEvent.h"

namespace vantrel {

/// Why a store could not do what it was asked. `what()` is a sentence for the user.
class HistoryError : public std::runtime_error {
  public:
    enum class Kind {
        Unreachable,  ///< the server or the file cannot be reached now: spool and try again later
        Damaged,      ///< the file is no history database, or it is damaged
        Full,         ///< the disk is full
        Newer,        ///< the schema is newer than this program knows
        Other,
    };
    HistoryError(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const { return m_kind; }

  private:
    Kind m_kind;
};

/// Where the history is kept, as the user gives it: a setting, VANTREL_HISTORY or --history.
struct HistoryTarget {
    enum class Kind { Off, Sqlite, Postgres };
    Kind kind = Kind::Off;
    /// The SQLite file's path, or the libpq connection string (URI or key=value form).
    std::string location;

    /// "off" or "none": nothing is recorded. "postgres://..." or "postgresql://...", or a key=value
    /// connection string ("host=server dbname=shop"): PostgreSQL. "sqlite:PATH" or any other text: a
    /// SQLite file. An empty text answers nullopt (use the default).
    static std::optional<HistoryTarget> parse(std::string_view text);
    /// The default: the SQLite file history.sqlite in `dataDirectory` (the user's data folder).
    static HistoryTarget defaultIn(const std::string& dataDirectory);
    /// For messages and listings: the location with any password replaced by "***".
    std::string describe() const;
    /// A short name for this target's spool folder (the same target always gives the same name).
    std::string spoolName() const;
};

/// The latest schema version this program writes.
inline constexpr int kHistorySchemaVersion = 2;

/// How a store connects and waits.
struct HistoryStoreOptions {
    /// SQLite: how long a write waits for another program that writes at the same time.
    std::chrono::milliseconds busyTimeout{5000};
    /// PostgreSQL: connection time-out in seconds (libpq's least is 2) and the statement time-out.
    int connectTimeoutSeconds = 5;
    std::chrono::milliseconds statementTimeout{10000};
    /// Migrate the schema up to this version (tests of the migrations); kHistorySchemaVersion normally.
    int migrateTo = kHistorySchemaVersion;
    /// Called inside record()'s transaction after the event's row, before its values (tests of a
    /// process killed in the middle of an event).
    std::function<void()> afterEventRow;
};

/// An event as stored: its row id, when the store received it, and the event (values only where said).
struct StoredEvent {
    std::int64_t id = 0;
    std::string storedUtc;
    ServiceEvent event;
};

/// One value of a radio across its events (a plot).
struct ValuePoint {
    std::int64_t eventId = 0;
    std::string timeUtc;
    std::optional<std::int64_t> before;
    std::optional<std::int64_t> after;
};

/// What `check` found.
struct HistoryCheck {
    std::string target;  ///< describe() of the target
    int schemaVersion = 0;
    std::int64_t events = 0;
};

/// A connection to one history store. Not shared between threads. Every failure throws HistoryError.
class HistoryStore {
  public:
    virtual ~HistoryStore() = default;

    /// Stores one event in one transaction: a process killed part-way leaves no part of it. Answers
    /// false (and stores nothing) when an event with this uid is already stored.
    virtual bool record(const ServiceEvent& event) = 0;
    /// The events of one radio (serial number as stored), newest first, without their values.
    virtual std::vector<StoredEvent> radioEvents(std::string_view serial) = 0;
    /// Every event whose time is at or after `sinceUtc` (a prefix such as "2025-03-01"; empty: all),
    /// newest first, without their values.
    virtual std::vector<StoredEvent> events(std::string_view sinceUtc) = 0;
    /// The values of a stored event, in their order.
    virtual std::vector<EventValue> values(std::int64_t eventId) = 0;
    /// The value `name` in every event of a radio that has it, oldest first.
    virtual std::vector<ValuePoint> valueAcross(std::string_view serial, std::string_view name) = 0;
    /// The schema version and the number of events.
    virtual HistoryCheck check() = 0;
    /// The target, for messages.
    virtual std::string describe() const = 0;
};

/// Opens (and creates, for SQLite) the store and brings its schema to options.migrateTo. Throws
/// HistoryError: Unreachable, Damaged, Full, Newer (a schema newer than this program: nothing is
/// changed) or Other. An Off target throws Other.
std::unique_ptr<HistoryStore> openHistoryStore(const HistoryTarget& target,
                                               const HistoryStoreOptions& options = {});

}  // namespace vantrel
