// The history schema, its migrations and the queries, shared by the SQLite and PostgreSQL back ends.
#include "history/sqlHistoryStore.h"

#include <charconv>
#include <deque>
#include <iterator>

#include "history/storedText.h"

namespace vantrel {

namespace {

// Every column of events a query reads, in this order (eventRows decodes them).
constexpr const char* kEventColumns =
    "id, uid, time_utc, kind, serial, model, subject, outcome, detail, bench, operator_name, program, port, "
    "file_name, file_hash, stored_utc";

SqlField text(std::string_view bytes) {
    return encodeStoredText(bytes);
}

SqlField number(std::int64_t value) {
    return std::to_string(value);
}

SqlField optionalNumber(const std::optional<std::int64_t>& value) {
    return value ? number(*value) : SqlField{};
}

std::string textOf(const SqlField& field) {
    return field ? decodeStoredText(*field) : std::string();
}

std::optional<std::int64_t> numberOf(const SqlField& field) {
    if (!field)
        return std::nullopt;
    std::int64_t value = 0;
    const char* begin = field->data();
    const char* end = begin + field->size();
    const auto [ptr, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || ptr != end)
        throw HistoryError(HistoryError::Kind::Damaged, "the history holds a number that is none: " + *field);
    return value;
}

std::int64_t requiredNumber(const SqlField& field) {
    const std::optional<std::int64_t> value = numberOf(field);
    if (!value)
        throw HistoryError(HistoryError::Kind::Damaged,
                           "the history holds an empty number where one must be");
    return *value;
}

constexpr std::size_t kLongestTime = 40;

}  // namespace

std::vector<std::string> historyMigration(int version, std::string_view idType) {
    const std::string id(idType);
    switch (version) {
        case 1:
            // Events with their values; the values are read by event, and by name for a plot.
            return {
                "CREATE TABLE events ("
                " id " +
                    id +
                    " PRIMARY KEY,"
                    " uid TEXT NOT NULL UNIQUE,"
                    " time_utc TEXT NOT NULL,"
                    " kind TEXT NOT NULL,"
                    " serial TEXT NOT NULL,"
                    " model TEXT NOT NULL,"
                    " subject TEXT NOT NULL,"
                    " outcome TEXT NOT NULL,"
                    " detail TEXT NOT NULL,"
                    " bench TEXT NOT NULL,"
                    " operator_name TEXT NOT NULL,"
                    " program TEXT NOT NULL,"
                    " port TEXT NOT NULL)",
                // Texts may be of any length, an index entry may not (PostgreSQL): the indexes hold the
                // first 100 characters and the queries compare the whole text after them.
                "CREATE INDEX events_serial_time ON events (substr(serial, 1, 100), time_utc)",
                "CREATE TABLE event_values ("
                " event_id BIGINT NOT NULL REFERENCES events (id) ON DELETE CASCADE,"
                " seq INTEGER NOT NULL,"
                " name TEXT NOT NULL,"
                " record_row INTEGER NOT NULL,"
                " record_column INTEGER NOT NULL,"
                " before_value BIGINT,"
                " after_value BIGINT,"
                " PRIMARY KEY (event_id, seq))",
                "CREATE INDEX event_values_name ON event_values (substr(name, 1, 100), event_id)",
            };
        case 2:
            // Archive events name their file and its digest in columns of their own; spooled events
            // arrive late, so the store notes when it received each; the shop-wide list goes by time.
            return {
                "ALTER TABLE events ADD COLUMN file_name TEXT NOT NULL DEFAULT ''",
                "ALTER TABLE events ADD COLUMN file_hash TEXT NOT NULL DEFAULT ''",
                "ALTER TABLE events ADD COLUMN stored_utc TEXT NOT NULL DEFAULT ''",
                "CREATE INDEX events_time ON events (time_utc)",
            };
        default:
            return {};
    }
}

std::vector<SqlRow> sqlConnection::query(std::string_view sql, const std::vector<SqlField>& parameters) {
    std::vector<SqlRow> rows;
    forEachRow(sql, parameters, [&rows](const SqlRowView& view) {
        SqlRow row;
        row.reserve(view.size());
        for (const SqlFieldView& field : view) row.push_back(field ? SqlField(std::string(*field)) : SqlField());
        rows.push_back(std::move(row));
    });
    return rows;
}

sqlHistoryStore::sqlHistoryStore(std::unique_ptr<sqlConnection> connection,
                                 const HistoryStoreOptions& options)
    : m_connection(std::move(connection)), m_options(options) {
    migrate(options.migrateTo);
}

int sqlHistoryStore::schemaVersion() {
    const std::vector<SqlRow> rows = m_connection->query("SELECT MAX(version) FROM schema_version", {});
    if (rows.empty() || rows.front().empty() || !rows.front().front())
        return 0;
    return static_cast<int>(requiredNumber(rows.front().front()));
}

void sqlHistoryStore::migrate(int target) {
    m_connection->beginWrite();
    try {
        // Two programs starting on an empty database at once: the second waits, then finds it done.
        m_connection->lockSchema();
        m_connection->execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const int version = schemaVersion();
        if (version > kHistorySchemaVersion) {
            m_connection->rollback();
            throw HistoryError(HistoryError::Kind::Newer,
                               "the history " + describe() + " has schema version " +
                                   std::to_string(version) + ", newer than this program's " +
                                   std::to_string(kHistorySchemaVersion) +
                                   ": update the program on this bench");
        }
        for (int next = version + 1; next <= target; ++next)
            for (const std::string& statement : historyMigration(next, m_connection->idColumnType()))
                m_connection->execute(statement);
        if (target > version) {
            m_connection->execute("DELETE FROM schema_version");
            m_connection->query("INSERT INTO schema_version (version) VALUES (?)", {number(target)});
        }
        m_connection->commit();
    } catch (...) {
        m_connection->rollback();
        throw;
    }
}

bool sqlHistoryStore::record(const ServiceEvent& event) {
    // The uid and the time are the program's own, never free text: both are indexed.
    if (!validEventUid(event.uid) || event.timeUtc.empty() || event.timeUtc.size() > kLongestTime)
        throw HistoryError(HistoryError::Kind::Other,
                           "an event without a valid uid and time cannot be stored");
    m_connection->beginWrite();
    try {
        // The uid makes delivery idempotent: an event sent again from the spool is stored once.
        const std::vector<SqlRow> inserted = m_connection->query(
            "INSERT INTO events (uid, time_utc, kind, serial, model, subject, outcome, detail, bench, "
            "operator_name, program, port, file_name, file_hash, stored_utc) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (uid) DO NOTHING RETURNING id",
            {text(event.uid), text(event.timeUtc), text(eventKindName(event.kind)), text(event.serial),
             text(event.model), text(event.subject), text(event.outcome), text(event.detail),
             text(event.bench), text(event.operatorName), text(event.program), text(event.port),
             text(event.fileName), text(event.fileHash),
             text(utcTimestamp(std::chrono::system_clock::now()))});
        if (inserted.empty() || inserted.front().empty()) {
            m_connection->commit();
            return false;
        }
        const SqlField id = inserted.front().front();
        if (m_options.afterEventRow)
            m_options.afterEventRow();
        std::int64_t seq = 0;
        for (const EventValue& value : event.values) {
            m_connection->query(
                "INSERT INTO event_values (event_id, seq, name, record_row, record_column, before_value, "
                "after_value) VALUES (?, ?, ?, ?, ?, ?, ?)",
                {id, number(seq++), text(value.name), number(value.row), number(value.column),
                 optionalNumber(value.before), optionalNumber(value.after)});
        }
        m_connection->commit();
        return true;
    } catch (...) {
        m_connection->rollback();
        throw;
    }
}

std::vector<StoredEvent> sqlHistoryStore::eventRows(std::string_view where, std::string_view order,
                                                    const std::vector<SqlField>& parameters) {
    // Gathered where they stay put, then moved once: growing a vector of events moves every one again.
    std::deque<StoredEvent> gathered;
    const auto textAt = [](const SqlFieldView& field) {
        if (!field)
            return std::string();
        return field->find('\\') == std::string_view::npos ? std::string(*field) : decodeStoredText(*field);
    };
    m_connection->forEachRow(
        std::string("SELECT ") + kEventColumns + " FROM events " + std::string(where) + " ORDER BY " +
            std::string(order) + "time_utc DESC, id DESC",
        parameters, [&](const SqlRowView& row) {
            if (row.size() < 16)
                throw HistoryError(HistoryError::Kind::Damaged, "the history's events table lacks columns");
            StoredEvent& stored = gathered.emplace_back();
            stored.id = requiredNumber(row[0] ? SqlField(std::string(*row[0])) : SqlField());
            ServiceEvent& e = stored.event;
            e.uid = textAt(row[1]);
            e.timeUtc = textAt(row[2]);
            // A kind this program does not know (a newer bench wrote it) still lists, as a read.
            e.kind = eventKindNamed(textAt(row[3])).value_or(EventKind::Read);
            e.serial = textAt(row[4]);
            e.model = textAt(row[5]);
            e.subject = textAt(row[6]);
            e.outcome = textAt(row[7]);
            e.detail = textAt(row[8]);
            e.bench = textAt(row[9]);
            e.operatorName = textAt(row[10]);
            e.program = textAt(row[11]);
            e.port = textAt(row[12]);
            e.fileName = textAt(row[13]);
            e.fileHash = textAt(row[14]);
            stored.storedUtc = textAt(row[15]);
        });
    return std::vector<StoredEvent>(std::make_move_iterator(gathered.begin()), std::make_move_iterator(gathered.end()));
}

std::vector<StoredEvent> sqlHistoryStore::radioEvents(std::string_view serial) {
    // Ordered as the index is (its serial part is one value here): the rows come in index order, unsorted.
    return eventRows("WHERE substr(serial, 1, 100) = substr(?, 1, 100) AND serial = ?",
                     "substr(serial, 1, 100) DESC, ", {text(serial), text(serial)});
}

std::vector<StoredEvent> sqlHistoryStore::events(std::string_view sinceUtc) {
    if (sinceUtc.empty())
        return eventRows("", "", {});
    return eventRows("WHERE time_utc >= ?", "", {text(sinceUtc)});
}

std::vector<EventValue> sqlHistoryStore::values(std::int64_t eventId) {
    const std::vector<SqlRow> rows = m_connection->query(
        "SELECT name, record_row, record_column, before_value, after_value FROM event_values "
        "WHERE event_id = ? ORDER BY seq",
        {number(eventId)});
    std::vector<EventValue> values;
    values.reserve(rows.size());
    for (const SqlRow& row : rows) {
        if (row.size() < 5)
            throw HistoryError(HistoryError::Kind::Damaged, "the history's values table lacks columns");
        EventValue v;
        v.name = textOf(row[0]);
        v.row = static_cast<int>(requiredNumber(row[1]));
        v.column = static_cast<int>(requiredNumber(row[2]));
        v.before = numberOf(row[3]);
        v.after = numberOf(row[4]);
        values.push_back(std::move(v));
    }
    return values;
}

std::vector<ValuePoint> sqlHistoryStore::valueAcross(std::string_view serial, std::string_view name) {
    const std::vector<SqlRow> rows = m_connection->query(
        "SELECT e.id, e.time_utc, v.before_value, v.after_value FROM events e "
        "JOIN event_values v ON v.event_id = e.id "
        "WHERE substr(e.serial, 1, 100) = substr(?, 1, 100) AND e.serial = ? "
        "AND substr(v.name, 1, 100) = substr(?, 1, 100) AND v.name = ? ORDER BY e.time_utc, e.id",
        {text(serial), text(serial), text(name), text(name)});
    std::vector<ValuePoint> points;
    points.reserve(rows.size());
    for (const SqlRow& row : rows) {
        if (row.size() < 4)
            throw HistoryError(HistoryError::Kind::Damaged, "the history's values table lacks columns");
        points.push_back({requiredNumber(row[0]), textOf(row[1]), numberOf(row[2]), numberOf(row[3])});
    }
    return points;
}

HistoryCheck sqlHistoryStore::check() {
    HistoryCheck result;
    result.target = describe();
    result.schemaVersion = schemaVersion();
    const std::vector<SqlRow> rows = m_connection->query("SELECT COUNT(*) FROM events", {});
    if (!rows.empty() && !rows.front().empty())
        result.events = requiredNumber(rows.front().front());
    return result;
}

}  // namespace vantrel
