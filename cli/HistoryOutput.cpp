// The service history as text, JSON and CSV.
#include "cli/HistoryOutput.h"

#include <nlohmann/json.hpp>

#include "history/historyExport.h"
#include "history/storedText.h"

namespace vantrel {

namespace {

/// A text as a terminal may show it: the stored form, with control characters escaped as well, so a
/// hostile text cannot move the cursor or change the terminal.
std::string shown(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : encodeStoredText(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

/// "2025-03-01 14:05:09 UTC" from "2025-03-01T14:05:09.123Z".
std::string shownTime(const std::string& utc) {
    if (utc.size() < 19)
        return shown(utc);
    return utc.substr(0, 10) + " " + utc.substr(11, 8) + " UTC";
}

std::string number(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string("?");
}

nlohmann::json numberJson(const std::optional<std::int64_t>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string textForm(const std::vector<StoredEvent>& events, bool withValues) {
    std::string out;
    for (const StoredEvent& stored : events) {
        const ServiceEvent& e = stored.event;
        if (!withValues) {
            out += shownTime(e.timeUtc) + "  " + (e.serial.empty() ? "-" : shown(e.serial)) + "  " +
                   std::string(eventKindName(e.kind)) + "  " + shown(e.subject) + "  " + shown(e.outcome) +
                   "  " + shown(e.bench) + "  " + shown(e.operatorName) + "\n";
            continue;
        }
        out += shownTime(e.timeUtc) + "  " + shown(e.subject) + "  " + shown(e.outcome) + "\n";
        out += "    " + shown(e.bench) + ", " + shown(e.operatorName) + ", " + shown(e.program) +
               (e.port.empty() ? std::string() : ", " + shown(e.port)) + "\n";
        if (!e.model.empty())
            out += "    model " + shown(e.model) + "\n";
        if (!e.fileName.empty())
            out +=
                "    file " + shown(e.fileName) + (e.fileHash.empty() ? "" : " " + shown(e.fileHash)) + "\n";
        std::string detail = e.detail;
        std::size_t start = 0;
        while (start < detail.size()) {
            const std::size_t end = detail.find('\n', start);
            out += "    " + shown(detail.substr(start, end == std::string::npos ? end : end - start)) + "\n";
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        if (e.kind == EventKind::Read || e.kind == EventKind::ProgramAll) {
            if (!e.values.empty())
                out += "    " + std::to_string(e.values.size()) + " values (--json or --csv lists them)\n";
        } else {
            for (const EventValue& v : e.values)
                out += "    " + shown(v.name) + ": " + number(v.before) + " -> " + number(v.after) + "\n";
        }
    }
    return out;
}

std::string jsonForm(const std::vector<StoredEvent>& events, bool withValues) {
    nlohmann::json list = nlohmann::json::array();
    for (const StoredEvent& stored : events) {
        const ServiceEvent& e = stored.event;
        nlohmann::json item = {{"uid", encodeStoredText(e.uid)},
                               {"time", encodeStoredText(e.timeUtc)},
                               {"kind", std::string(eventKindName(e.kind))},
                               {"serial", encodeStoredText(e.serial)},
                               {"model", encodeStoredText(e.model)},
                               {"subject", encodeStoredText(e.subject)},
                               {"outcome", encodeStoredText(e.outcome)},
                               {"detail", encodeStoredText(e.detail)},
                               {"file", encodeStoredText(e.fileName)},
                               {"hash", encodeStoredText(e.fileHash)},
                               {"bench", encodeStoredText(e.bench)},
                               {"operator", encodeStoredText(e.operatorName)},
                               {"program", encodeStoredText(e.program)},
                               {"port", encodeStoredText(e.port)},
                               {"stored", encodeStoredText(stored.storedUtc)}};
        if (withValues) {
            nlohmann::json values = nlohmann::json::array();
            for (const EventValue& v : e.values)
                values.push_back({{"name", encodeStoredText(v.name)},
                                  {"row", v.row},
                                  {"column", v.column},
                                  {"before", numberJson(v.before)},
                                  {"after", numberJson(v.after)}});
            item["values"] = std::move(values);
        }
        list.push_back(std::move(item));
    }
    return list.dump(2) + "\n";
}

}  // namespace

std::string historyOutput(const std::vector<StoredEvent>& events, HistoryForm form, bool withValues) {
    switch (form) {
        case HistoryForm::Json:
            return jsonForm(events, withValues);
        case HistoryForm::Csv: {
            std::vector<ServiceEvent> plain;
            plain.reserve(events.size());
            for (const StoredEvent& stored : events) plain.push_back(stored.event);
            return historyCsv(plain);
        }
        case HistoryForm::Text:
            break;
    }
    return textForm(events, withValues);
}

}  // namespace vantrel
