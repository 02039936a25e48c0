// The PostgreSQL back end: one server for the benches of a shop, reached with libpq and bound parameters.
#include <libpq-fe.h>

#include "history/sqlHistoryStore.h"

namespace vantrel {

namespace {

/// Makes every history writer of the server wait while one migrates the schema.
constexpr const char* kSchemaLockKey = "7406514201";

/// libpq numbers parameters $1, $2 ...: the shared statements use '?'.
std::string numbered(std::string_view sql) {
    std::string out;
    int n = 0;
    for (const char c : sql) {
        if (c == '?')
            out += "$" + std::to_string(++n);
        else
            out += c;
    }
    return out;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

class postgresConnection : public sqlConnection {
  public:
    postgresConnection(const std::string& conninfo, const HistoryStoreOptions& options)
        : m_target(HistoryTarget{HistoryTarget::Kind::Postgres, conninfo}.describe()) {
        const std::string timeout = std::to_string(std::max(2, options.connectTimeoutSeconds));
        const std::string statementTimeout =
            "-c statement_timeout=" + std::to_string(options.statementTimeout.count());
        // Keywords before dbname are defaults the user's string may override; after it, what must hold.
        const char* keywords[] = {"connect_timeout", "options",         "application_name",
                                  "dbname",          "client_encoding", nullptr};
        const char* values[] = {
            timeout.c_str(), statementTimeout.c_str(), "vantrel", conninfo.c_str(), "UTF8", nullptr};
        m_connection = PQconnectdbParams(keywords, values, 1);
        if (!m_connection)
            throw HistoryError(HistoryError::Kind::Other,
                               "the history server " + m_target + " cannot be reached: out of memory");
        if (PQstatus(m_connection) != CONNECTION_OK) {
            const std::string reason = trimmed(PQerrorMessage(m_connection));
            PQfinish(m_connection);
            m_connection = nullptr;
            throw HistoryError(HistoryError::Kind::Unreachable,
                               "the history server " + m_target + " cannot be reached: " + reason);
        }
        // Notices (a table that already exists) are no business of the technician.
        PQsetNoticeProcessor(
            m_connection, [](void*, const char*) {}, nullptr);
    }

    ~postgresConnection() override {
        rollback();
        PQfinish(m_connection);
    }

    void execute(std::string_view sql) override { forEachRow(sql, {}, [](const SqlRowView&) {}); }

    void forEachRow(std::string_view sql, const std::vector<SqlField>& parameters,
                    const std::function<void(const SqlRowView&)>& row) override {
        std::vector<const char*> values;
        values.reserve(parameters.size());
        for (const SqlField& p : parameters) values.push_back(p ? p->c_str() : nullptr);
        const std::string statement = numbered(sql);
        // Cleared on every way out, an exception of the row's handler included.
        const std::unique_ptr<PGresult, void (*)(PGresult*)> result(
            PQexecParams(m_connection, statement.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                         nullptr, nullptr, 0),
            PQclear);
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string reason =
                trimmed(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(m_connection));
            const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
            fail(state ? state : "", reason);
        }
        const int count = PQntuples(result.get());
        const int columns = PQnfields(result.get());
        SqlRowView view(static_cast<std::size_t>(columns));
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < columns; ++c)
                view[static_cast<std::size_t>(c)] =
                    PQgetisnull(result.get(), r, c)
                        ? SqlFieldView()
                        : SqlFieldView(std::string_view(PQgetvalue(result.get(), r, c),
                                                        static_cast<std::size_t>(PQgetlength(result.get(), r, c))));
            row(view);
        }
    }

    void beginWrite() override {
        execute("BEGIN");
        m_inTransaction = true;
    }
    void lockSchema() override {
        query(std::string("SELECT pg_advisory_xact_lock(") + kSchemaLockKey + ")", {});
    }
    void commit() override {
        execute("COMMIT");
        m_inTransaction = false;
    }
    void rollback() noexcept override {
        if (!m_inTransaction || !m_connection)
            return;
        m_inTransaction = false;
        PQclear(PQexec(m_connection, "ROLLBACK"));
    }
    std::string_view idColumnType() const override { return "BIGINT GENERATED BY DEFAULT AS IDENTITY"; }
    std::string describe() const override { return m_target; }

  private:
    [[noreturn]] void fail(const std::string& state, const std::string& reason) {
        HistoryError::Kind kind = HistoryError::Kind::Other;
        // Class 08: the connection went; 57: the server is shutting down or cancelled the statement;
        // 53: the server's resources (disk full) are exhausted.
        if (PQstatus(m_connection) != CONNECTION_OK || state.starts_with("08") || state.starts_with("57"))
            kind = HistoryError::Kind::Unreachable;
        else if (state.starts_with("53"))
            kind = HistoryError::Kind::Full;
        throw HistoryError(kind, "the history server " + m_target + " refused: " + reason);
    }

    std::string m_target;
    PGconn* m_connection = nullptr;
    bool m_inTransaction = false;
};

}  // namespace

std::unique_ptr<sqlConnection> openPostgresConnection(const std::string& conninfo,
                                                      const HistoryStoreOptions& options) {
    return std::make_unique<postgresConnection>(conninfo, options);
}

}  // namespace vantrel
