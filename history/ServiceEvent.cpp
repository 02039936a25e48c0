// Service events: kind names, uids and time stamps.
#include "history/ServiceEvent.h"

#include <array>
#include <ctime>
#include <random>

namespace vantrel {

namespace {

struct KindName {
    EventKind kind;
    std::string_view name;
};

constexpr std::array<KindName, 6> kKindNames{{
    {EventKind::Read, "read"},
    {EventKind::ProgramAll, "program-all"},
    {EventKind::Program, "program"},
    {EventKind::Utility, "utility"},
    {EventKind::ArchiveLoad, "archive-load"},
    {EventKind::ArchiveSave, "archive-save"},
}};

}  // namespace

std::string_view eventKindName(EventKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind)
            return k.name;
    return "unknown";
}

std::optional<EventKind> eventKindNamed(std::string_view name) {
    for (const KindName& k : kKindNames)
        if (k.name == name)
            return k.kind;
    return std::nullopt;
}

const EventValue* ServiceEvent::value(std::string_view name) const {
    for (const EventValue& v : values)
        if (v.name == name)
            return &v;
    return nullptr;
}

std::string newEventUid() {
    // Seeded once from the system's entropy: uids of two processes on two benches must not meet.
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    static constexpr char kHex[] = "0123456789abcdef";
    std::string uid;
    for (int half = 0; half < 2; ++half) {
        std::uint64_t bits = generator();
        for (int i = 0; i < 16; ++i, bits >>= 4) uid += kHex[bits & 0xF];
    }
    return uid;
}

bool validEventUid(std::string_view uid) {
    if (uid.size() != 32)
        return false;
    for (const char c : uid)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string utcTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    long millis = static_cast<long>(ms % 1000);
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
    return text;
}

}  // namespace vantrel
