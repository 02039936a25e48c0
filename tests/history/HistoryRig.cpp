// The history test rigs.
#include "HistoryRig.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vantrel::test {

namespace {

std::string makeScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-history-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

class sqliteRig : public historyRig {
  public:
    sqliteRig() : m_dir(makeScratch()) {}
    ~sqliteRig() override {
        makeReachable();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    HistoryTarget target() const override { return {HistoryTarget::Kind::Sqlite, m_dir + "/history.sqlite"}; }
    void makeUnreachable() override {
        if (m_holder)
            return;
        sqlite3_open(target().location.c_str(), &m_holder);
        sqlite3_exec(m_holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    void makeReachable() override {
        if (!m_holder)
            return;
        sqlite3_exec(m_holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_holder);
        m_holder = nullptr;
    }
    void execute(const std::string& sql) override {
        sqlite3* db = nullptr;
        sqlite3_open(target().location.c_str(), &db);
        char* error = nullptr;
        const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        const std::string reason = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        if (code != SQLITE_OK)
            throw std::runtime_error("sqlite: " + reason + " in " + sql);
    }
    std::string scratch() const override { return m_dir; }

  private:
    std::string m_dir;
    sqlite3* m_holder = nullptr;
};

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class postgresRig : public historyRig {
  public:
    postgresRig() : m_dir(makeScratch()) {
        static std::atomic<int> counter{0};
        m_database = "vantrel_t" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        admin("DROP DATABASE IF EXISTS " + m_database);
        admin("CREATE DATABASE " + m_database);
    }
    ~postgresRig() override {
        try {
            makeReachable();
            admin("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
        } catch (...) {
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    HistoryTarget target() const override { return {HistoryTarget::Kind::Postgres, connection(m_database)}; }
    void makeUnreachable() override {
        if (m_stopped)
            return;
        if (std::system((env("VANTREL_TEST_PG_STOP") + " >/dev/null 2>&1").c_str()) != 0)
            throw std::runtime_error("the test cluster did not stop");
        m_stopped = true;
    }
    void makeReachable() override {
        if (!m_stopped)
            return;
        if (std::system((env("VANTREL_TEST_PG_START") + " >/dev/null 2>&1").c_str()) != 0)
            throw std::runtime_error("the test cluster did not start again");
        m_stopped = false;
    }
    void execute(const std::string& sql) override { run(connection(m_database), sql); }
    std::string scratch() const override { return m_dir; }

    static bool available() { return !env("VANTREL_TEST_PG_HOST").empty(); }

  private:
    static std::string connection(const std::string& database) {
        return "host=" + env("VANTREL_TEST_PG_HOST") + " port=" + env("VANTREL_TEST_PG_PORT") +
               " user=postgres dbname=" + database;
    }
    static void run(const std::string& conninfo, const std::string& sql) {
        PGconn* c = PQconnectdb(conninfo.c_str());
        if (PQstatus(c) != CONNECTION_OK) {
            const std::string reason = PQerrorMessage(c);
            PQfinish(c);
            throw std::runtime_error("postgres: " + reason);
        }
        // "database does not exist, skipping" notices of the clean-up are no news.
        PQsetNoticeProcessor(
            c, [](void*, const char*) {}, nullptr);
        PGresult* r = PQexec(c, sql.c_str());
        const ExecStatusType status = PQresultStatus(r);
        const std::string reason = PQresultErrorMessage(r);
        PQclear(r);
        PQfinish(c);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error("postgres: " + reason + " in " + sql);
    }
    static void admin(const std::string& sql) { run(connection("postgres"), sql); }

    std::string m_dir;
    std::string m_database;
    bool m_stopped = false;
};

}  // namespace

std::unique_ptr<historyRig> historyRig::make(Backend backend, std::string& why) {
    if (backend == Backend::Sqlite)
        return std::make_unique<sqliteRig>();
    if (!postgresRig::available()) {
        why = "no PostgreSQL test cluster: run this test through tests/history/with-postgres.sh (ctest does)";
        return nullptr;
    }
    return std::make_unique<postgresRig>();
}

}  // namespace vantrel::test
