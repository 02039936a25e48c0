// CSV of service events.
#include "history/historyExport.h"

#include "history/storedText.h"

namespace vantrel {

namespace {

std::string numberText(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string csvField(const std::string& raw) {
    const std::string text = encodeStoredText(raw);
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote)
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string historyCsv(const std::vector<ServiceEvent>& events) {
    std::string out =
        "time_utc,kind,serial,model,subject,outcome,bench,operator,program,port,file,hash,detail,value,row,"
        "column,before,after\r\n";
    for (const ServiceEvent& e : events) {
        std::string head;
        for (const std::string& field :
             {e.timeUtc, std::string(eventKindName(e.kind)), e.serial, e.model, e.subject, e.outcome, e.bench,
              e.operatorName, e.program, e.port, e.fileName, e.fileHash, e.detail})
            head += csvField(field) + ",";
        if (e.values.empty()) {
            out += head + ",,,,\r\n";
            continue;
        }
        for (const EventValue& v : e.values)
            out += head + csvField(v.name) + "," + std::to_string(v.row) + "," + std::to_string(v.column) + "," +
                   numberText(v.before) + "," + numberText(v.after) + "\r\n";
    }
    return out;
}

}  // namespace vantrel
