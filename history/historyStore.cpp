// Targets of the history (off, a SQLite file, a PostgreSQL server) and opening a store on one.
#include "history/HistoryStore.h"

#include <cctype>
#include <regex>

#include "history/sha256.h"
#include "history/sqlHistoryStore.h"

namespace vantrel {

namespace {

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    return std::string(text);
}

bool isKeywordConnectionString(std::string_view text) {
    // "host=server dbname=shop": a keyword, '=' and no path separator before it.
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return false;
    for (std::size_t i = 0; i < eq; ++i) {
        const char c = text[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    }
    return true;
}

}  // namespace

std::optional<HistoryTarget> HistoryTarget::parse(std::string_view raw) {
    const std::string text = trimmed(raw);
    if (text.empty())
        return std::nullopt;
    if (text == "off" || text == "none")
        return HistoryTarget{Kind::Off, {}};
    if (text.starts_with("postgres://") || text.starts_with("postgresql://") ||
        isKeywordConnectionString(text))
        return HistoryTarget{Kind::Postgres, text};
    if (text.starts_with("sqlite://"))
        return HistoryTarget{Kind::Sqlite, text.substr(9)};
    if (text.starts_with("sqlite:"))
        return HistoryTarget{Kind::Sqlite, text.substr(7)};
    return HistoryTarget{Kind::Sqlite, text};
}

HistoryTarget HistoryTarget::defaultIn(const std::string& dataDirectory) {
    return HistoryTarget{Kind::Sqlite,
                         (dataDirectory.empty() ? std::string(".") : dataDirectory) + "/history.sqlite"};
}

std::string HistoryTarget::describe() const {
    switch (kind) {
        case Kind::Off:
            return "off";
        case Kind::Sqlite:
            return location;
        case Kind::Postgres:
            break;
    }
    // A password never reaches a message, a list or a status bar.
    static const std::regex userinfo(R"(^(postgres(?:ql)?://[^:/@?]*):[^@/?]*@)");
    static const std::regex keyword(R"((^|\s)password\s*=\s*('(?:[^'\\]|\\.)*'|\S*))");
    static const std::regex parameter(R"(([?&]password=)[^&]*)");
    std::string out = std::regex_replace(location, userinfo, "$1:***@");
    out = std::regex_replace(out, keyword, "$1password=***");
    return std::regex_replace(out, parameter, "$1***");
}

std::string HistoryTarget::spoolName() const {
    const char* prefix = kind == Kind::Postgres ? "postgres-" : kind == Kind::Sqlite ? "sqlite-" : "off-";
    return prefix + sha256Hex(location).substr(0, 16);
}

std::unique_ptr<HistoryStore> openHistoryStore(const HistoryTarget& target,
                                               const HistoryStoreOptions& options) {
    switch (target.kind) {
        case HistoryTarget::Kind::Sqlite:
            return std::make_unique<sqlHistoryStore>(openSqliteConnection(target.location, options), options);
        case HistoryTarget::Kind::Postgres:
            return std::make_unique<sqlHistoryStore>(openPostgresConnection(target.location, options),
                                                     options);
        case HistoryTarget::Kind::Off:
            break;
    }
    throw HistoryError(HistoryError::Kind::Other, "the service history is switched off");
}

}  // namespace vantrel
