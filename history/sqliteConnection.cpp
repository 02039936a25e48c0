// The SQLite back end: one file on one bench, WAL mode and a busy time-out so two programs can record.
#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "history/sqlHistoryStore.h"
#include "link/programFolders.h"

namespace vantrel {

namespace {

HistoryError::Kind kindOf(int code) {
    switch (code & 0xFF) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return HistoryError::Kind::Damaged;
        case SQLITE_FULL:
            return HistoryError::Kind::Full;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return HistoryError::Kind::Unreachable;
        default:
            return HistoryError::Kind::Other;
    }
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

class sqliteConnection : public sqlConnection {
  public:
    sqliteConnection(const std::string& path, const HistoryStoreOptions& options) : m_path(path) {
        makeDirectories(parentOf(path));  // the database's folder and its parents, mode 0700
        const int opened = sqlite3_open_v2(
            path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            const std::string reason = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(opened);
            sqlite3_close(m_db);
            m_db = nullptr;
            throw HistoryError(kindOf(opened), "the history file " + path + " cannot be opened: " + reason);
        }
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, static_cast<int>(options.busyTimeout.count()));
        try {
            // The first statements read the file: a file that is no database says so here.
            execute("PRAGMA journal_mode=WAL");
            execute("PRAGMA foreign_keys=ON");
            // A radio's history is read in one go: its pages stay in memory, read through a mapping.
            execute("PRAGMA cache_size=-16384");
            execute("PRAGMA mmap_size=268435456");
        } catch (...) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw;
        }
    }

    ~sqliteConnection() override {
        rollback();
        // Keeps the planner's statistics fresh as the history grows (cheap when nothing is due).
        sqlite3_exec(m_db, "PRAGMA optimize", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }

    void execute(std::string_view sql) override {
        char* message = nullptr;
        const std::string statement(sql);
        const int code = sqlite3_exec(m_db, statement.c_str(), nullptr, nullptr, &message);
        if (code != SQLITE_OK) {
            const std::string reason = message ? message : sqlite3_errstr(code);
            sqlite3_free(message);
            fail(code, reason);
        }
    }

    void forEachRow(std::string_view sql, const std::vector<SqlField>& parameters,
                    const std::function<void(const SqlRowView&)>& row) override {
        sqlite3_stmt* statement = nullptr;
        int code = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
        if (code != SQLITE_OK)
            fail(code, sqlite3_errmsg(m_db));
        // Finalized on every way out, an exception of the row's handler included.
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(statement, sqlite3_finalize);
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            code = parameters[i] ? sqlite3_bind_text64(statement, index, parameters[i]->data(),
                                                       parameters[i]->size(), SQLITE_TRANSIENT, SQLITE_UTF8)
                                 : sqlite3_bind_null(statement, index);
            if (code != SQLITE_OK)
                fail(code, sqlite3_errmsg(m_db));
        }
        const int columns = sqlite3_column_count(statement);
        SqlRowView view(static_cast<std::size_t>(columns));
        while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
                    view[static_cast<std::size_t>(c)].reset();
                    continue;
                }
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                view[static_cast<std::size_t>(c)] = std::string_view(
                    bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, c)));
            }
            row(view);
        }
        if (code != SQLITE_DONE)
            fail(code, sqlite3_errmsg(m_db));
    }

    void beginWrite() override {
        // IMMEDIATE takes the write lock now (waiting up to the busy time-out), not at the first write.
        execute("BEGIN IMMEDIATE");
        m_inTransaction = true;
    }
    void lockSchema() override {}
    void commit() override {
        execute("COMMIT");
        m_inTransaction = false;
    }
    void rollback() noexcept override {
        if (!m_inTransaction || !m_db)
            return;
        m_inTransaction = false;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    std::string_view idColumnType() const override { return "INTEGER"; }
    std::string describe() const override { return m_path; }

  private:
    [[noreturn]] void fail(int code, const std::string& reason) {
        const HistoryError::Kind kind = kindOf(code);
        std::string text = "the history file " + m_path;
        switch (kind) {
            case HistoryError::Kind::Damaged:
                text += " is damaged or no history database (" + reason +
                        "): move it away or restore it from a backup";
                break;
            case HistoryError::Kind::Full:
                text += " cannot grow: the disk is full (" + reason + ")";
                break;
            case HistoryError::Kind::Unreachable:
                text += " cannot be written now (" + reason + ")";
                break;
            default:
                text += ": " + reason;
                break;
        }
        throw HistoryError(kind, text);
    }

    std::string m_path;
    sqlite3* m_db = nullptr;
    bool m_inTransaction = false;
};

}  // namespace

std::unique_ptr<sqlConnection> openSqliteConnection(const std::string& path,
                                                    const HistoryStoreOptions& options) {
    return std::make_unique<sqliteConnection>(path, options);
}

}  // namespace vantrel
