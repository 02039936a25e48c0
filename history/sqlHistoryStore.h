// The history store over any SQL connection: the schema, its migrations and every query, written once
// for SQLite and PostgreSQL alike.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryStore.h"

namespace vantrel {

/// A parameter or a result field: text, or NULL.
using SqlField = std::optional<std::string>;
using SqlRow = std::vector<SqlField>;
/// A result field as the back end holds it, valid during the row's callback only.
using SqlFieldView = std::optional<std::string_view>;
using SqlRowView = std::vector<SqlFieldView>;

/// What a back end offers the store. Statements use '?' for parameters (none inside literals); every
/// failure throws HistoryError.
class sqlConnection {
  public:
    virtual ~sqlConnection() = default;
    /// Runs statements without parameters.
    virtual void execute(std::string_view sql) = 0;
    /// Runs one statement with bound parameters and hands each row to `row` as it comes (long listings
    /// are read without copying every field first).
    virtual void forEachRow(std::string_view sql, const std::vector<SqlField>& parameters,
                            const std::function<void(const SqlRowView&)>& row) = 0;
    /// Runs one statement with bound parameters and answers its rows.
    std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlField>& parameters);
    /// Starts a write transaction that other writers wait for.
    virtual void beginWrite() = 0;
    /// Inside beginWrite: makes other programs that migrate the schema wait for this one.
    virtual void lockSchema() = 0;
    virtual void commit() = 0;
    /// Never throws.
    virtual void rollback() noexcept = 0;
    /// The column type of the events' row id.
    virtual std::string_view idColumnType() const = 0;
    virtual std::string describe() const = 0;
};

/// The statements that bring a schema from version n - 1 to n, for n = 1 .. kHistorySchemaVersion;
/// `idType` is the back end's row id column type.
std::vector<std::string> historyMigration(int version, std::string_view idType);

/// A history store on a connection; migrates the schema to `options.migrateTo` at construction.
class sqlHistoryStore : public HistoryStore {
  public:
    sqlHistoryStore(std::unique_ptr<sqlConnection> connection, const HistoryStoreOptions& options);

    bool record(const ServiceEvent& event) override;
    std::vector<StoredEvent> radioEvents(std::string_view serial) override;
    std::vector<StoredEvent> events(std::string_view sinceUtc) override;
    std::vector<EventValue> values(std::int64_t eventId) override;
    std::vector<ValuePoint> valueAcross(std::string_view serial, std::string_view name) override;
    HistoryCheck check() override;
    std::string describe() const override { return m_connection->describe(); }

    /// The schema version the store has (0: empty).
    int schemaVersion();

  private:
    void migrate(int target);
    /// The events `where` selects, newest first; `order` goes before the time in ORDER BY (to follow an
    /// index).
    std::vector<StoredEvent> eventRows(std::string_view where, std::string_view order,
                                       const std::vector<SqlField>& parameters);

    std::unique_ptr<sqlConnection> m_connection;
    HistoryStoreOptions m_options;
};

/// The back ends.
std::unique_ptr<sqlConnection> openSqliteConnection(const std::string& path,
                                                    const HistoryStoreOptions& options);
std::unique_ptr<sqlConnection> openPostgresConnection(const std::string& conninfo,
                                                      const HistoryStoreOptions& options);

}  // namespace vantrel
