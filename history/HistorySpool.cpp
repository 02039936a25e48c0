// The history spool: one file per waiting event.
#include "history/HistorySpool.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "history/HistoryStore.h"
#include "link/programFolders.h"

namespace vantrel {

namespace {

constexpr std::string_view kHeader = "vantrel-event 1\n";
constexpr std::string_view kSuffix = ".event";

void addField(std::string& out, std::string_view name, std::string_view value) {
    out.append(name);
    out += ' ';
    out += std::to_string(value.size());
    out += '\n';
    out.append(value);
    out += '\n';
}

std::string numberText(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
}

class reader {
  public:
    explicit reader(std::string_view text) : m_text(text) {}

    /// The next field, which must be called `name`.
    std::optional<std::string> field(std::string_view name) {
        if (m_text.substr(0, name.size()) != name || m_text.size() <= name.size() ||
            m_text[name.size()] != ' ')
            return std::nullopt;
        m_text.remove_prefix(name.size() + 1);
        const std::size_t newline = m_text.find('\n');
        if (newline == std::string_view::npos)
            return std::nullopt;
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(m_text.data(), m_text.data() + newline, length);
        if (error != std::errc() || end != m_text.data() + newline)
            return std::nullopt;
        m_text.remove_prefix(newline + 1);
        if (m_text.size() < length + 1 || m_text[length] != '\n')
            return std::nullopt;
        std::string value(m_text.substr(0, length));
        m_text.remove_prefix(length + 1);
        return value;
    }
    std::optional<std::int64_t> number(std::string_view name, bool* ok) {
        const std::optional<std::string> text = field(name);
        if (!text) {
            *ok = false;
            return std::nullopt;
        }
        if (*text == "-")
            return std::nullopt;
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (error != std::errc() || end != text->data() + text->size())
            *ok = false;
        return value;
    }
    bool atEnd() const { return m_text.empty(); }

  private:
    std::string_view m_text;
};

[[noreturn]] void spoolFailed(const std::string& what, int error) {
    throw HistoryError(
        error == ENOSPC || error == EDQUOT ? HistoryError::Kind::Full : HistoryError::Kind::Other,
        "the history spool " + what + ": " + std::strerror(error));
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string HistorySpool::serialize(const ServiceEvent& e) {
    std::string out(kHeader);
    addField(out, "uid", e.uid);
    addField(out, "time", e.timeUtc);
    addField(out, "kind", eventKindName(e.kind));
    addField(out, "serial", e.serial);
    addField(out, "model", e.model);
    addField(out, "subject", e.subject);
    addField(out, "outcome", e.outcome);
    addField(out, "detail", e.detail);
    addField(out, "file", e.fileName);
    addField(out, "hash", e.fileHash);
    addField(out, "bench", e.bench);
    addField(out, "operator", e.operatorName);
    addField(out, "program", e.program);
    addField(out, "port", e.port);
    addField(out, "values", std::to_string(e.values.size()));
    for (const EventValue& v : e.values) {
        addField(out, "name", v.name);
        addField(out, "row", std::to_string(v.row));
        addField(out, "column", std::to_string(v.column));
        addField(out, "before", numberText(v.before));
        addField(out, "after", numberText(v.after));
    }
    return out;
}

std::optional<ServiceEvent> HistorySpool::deserialize(std::string_view text) {
    if (!text.starts_with(kHeader))
        return std::nullopt;
    reader in(text.substr(kHeader.size()));
    ServiceEvent e;
    const auto take = [&](std::string_view name, std::string& into) {
        std::optional<std::string> value = in.field(name);
        if (!value)
            return false;
        into = std::move(*value);
        return true;
    };
    std::string kindText;
    if (!take("uid", e.uid) || !take("time", e.timeUtc) || !take("kind", kindText) ||
        !take("serial", e.serial) || !take("model", e.model) || !take("subject", e.subject) ||
        !take("outcome", e.outcome) || !take("detail", e.detail) || !take("file", e.fileName) ||
        !take("hash", e.fileHash) || !take("bench", e.bench) || !take("operator", e.operatorName) ||
        !take("program", e.program) || !take("port", e.port))
        return std::nullopt;
    const std::optional<EventKind> parsedKind = eventKindNamed(kindText);
    if (!parsedKind || !validEventUid(e.uid))
        return std::nullopt;
    e.kind = *parsedKind;
    bool ok = true;
    const std::optional<std::int64_t> count = in.number("values", &ok);
    if (!ok || !count || *count < 0)
        return std::nullopt;
    for (std::int64_t i = 0; i < *count; ++i) {
        EventValue v;
        if (!take("name", v.name))
            return std::nullopt;
        const std::optional<std::int64_t> row = in.number("row", &ok);
        const std::optional<std::int64_t> column = in.number("column", &ok);
        v.before = in.number("before", &ok);
        v.after = in.number("after", &ok);
        if (!ok || !row || !column)
            return std::nullopt;
        v.row = static_cast<int>(*row);
        v.column = static_cast<int>(*column);
        e.values.push_back(std::move(v));
    }
    if (!in.atEnd())
        return std::nullopt;
    return e;
}

void HistorySpool::put(const ServiceEvent& event) const {
    makeDirectories(m_directory);  // a failure shows in the open below
    // The time first, so that a listing sorted by name delivers in the order the events happened.
    std::string stamp = event.timeUtc;
    std::replace(stamp.begin(), stamp.end(), ':', '-');
    const std::string name = m_directory + "/" + stamp + "-" + event.uid + std::string(kSuffix);
    const std::string temporary = m_directory + "/." + event.uid + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        spoolFailed("folder " + m_directory + " cannot take an event", errno);
    const bool written = writeAll(fd, serialize(event)) && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), name.c_str()) != 0) {
        const int why = written ? errno : error;
        ::unlink(temporary.c_str());
        spoolFailed("folder " + m_directory + " cannot take an event", why);
    }
    if (const int dir = ::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::vector<std::string> HistorySpool::pending() const {
    std::vector<std::string> files;
    DIR* dir = ::opendir(m_directory.c_str());
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(".") || !name.ends_with(kSuffix))
            continue;
        files.push_back(m_directory + "/" + std::string(name));
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<ServiceEvent> HistorySpool::load(const std::string& file) const {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    std::optional<ServiceEvent> event = deserialize(text);
    if (!event)
        ::rename(file.c_str(), (file + ".bad").c_str());
    return event;
}

void HistorySpool::remove(const std::string& file) const {
    ::unlink(file.c_str());
}

}  // namespace vantrel
