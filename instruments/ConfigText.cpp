// Strict parsing of the small configuration texts of the instrument layer.
#include "instruments/ConfigText.h"

#include <algorithm>
#include <set>

#include "instruments/InstrumentError.h"
#include "link/regularFile.h"

namespace vantrel {

namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool validName(const std::string& s) {
    return !s.empty() && s.size() <= 40 && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

}  // namespace

const ConfigEntry* ConfigSection::find(const std::string& key) const {
    for (const ConfigEntry& e : entries)
        if (e.key == key)
            return &e;
    return nullptr;
}

std::vector<ConfigSection> parseConfigText(const std::string& text, const std::string& source) {
    auto fault = [&](int line, const std::string& what) {
        return InstrumentError(InstrumentError::Kind::Config,
                               source + ":" + std::to_string(line) + ": " + what);
    };
    if (text.size() > kConfigTextLimit)
        throw fault(0, "larger than " + std::to_string(kConfigTextLimit) + " bytes");
    std::vector<ConfigSection> sections(1);
    std::set<std::string> seenSections{""};
    std::set<std::string> seenKeys;
    int lineNo = 0;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string raw = text.substr(from, end - from);
        from = end + 1;
        ++lineNo;
        for (unsigned char c : raw)
            if (!((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r'))
                throw fault(lineNo, "not a text file (a control or non-ASCII byte)");
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                throw fault(lineNo, "a section header must end with ']'");
            const std::string name = trim(line.substr(1, line.size() - 2));
            if (!validName(name))
                throw fault(lineNo, "'" + name + "' is no section name (lower-case letters, digits, '-')");
            if (!seenSections.insert(name).second)
                throw fault(lineNo, "section [" + name + "] appears twice");
            sections.push_back({name, lineNo, {}});
            seenKeys.clear();
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            throw fault(lineNo, "expected 'key = value'");
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (!validName(key))
            throw fault(lineNo, "'" + key + "' is no key (lower-case letters, digits, '-')");
        if (value.empty())
            throw fault(lineNo, "'" + key + "' has no value");
        if (!seenKeys.insert(key).second)
            throw fault(lineNo, "'" + key + "' appears twice in its section");
        sections.back().entries.push_back({key, value, lineNo});
    }
    return sections;
}

std::string readConfigFile(const std::string& path) {
    const RegularFileText file = readRegularFile(path, kConfigTextLimit);
    if (!file)
        throw InstrumentError(InstrumentError::Kind::Config, path + ": " + file.reason());
    return file.text;
}

}  // namespace vantrel
