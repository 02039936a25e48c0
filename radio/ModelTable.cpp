// Built-in model table, the active-table switch and the parser of the model table override file.
#include "radio/ModelTable.h"

#include <cctype>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

namespace vantrel {

namespace {

ModelTable::Uuid uuidFromHex(std::string_view hex);

ModelTable makeDefault() {
    ModelTable t;
    t.formPortable = 'P';
    t.formMobile = 'M';
    t.mobileLeadIn = "LV";
    t.seriesMain = "47";
    t.seriesHigh = "52";
    t.seriesSix = "60";
    t.seriesEight = "80";
    t.variantM = 'M';
    t.variantFive = '5';
    t.variantR = 'R';
    t.variantS = 'S';
    t.variantF = 'F';
    t.variantK = 'K';
    t.variantQ = 'Q';
    t.variantBrightline = 'B';
    t.variantU = 'U';
    t.variantC = 'C';
    t.variantN = 'N';
    t.bandG1 = 'A';
    t.bandG2 = 'E';
    t.bandB1 = '1';
    t.bandB2 = '2';
    t.bandB3 = '3';
    t.listA = {"P47MSC6A1L", "P47MSC6A2L", "P47MSC6A3L", "P47MSC6E1L",
               "P47MSC6E2L", "P47MSC6E3L", "P47MSC4A1L", "P47MSC4E1L"};
    t.listB = {"P45TSC4A1W", "P45TSC4A2W", "P45TSC4A3W", "P45TSC6A1W",
               "P45TSC6A2W", "P45TSC6A3W", "P45TSC7A1W", "P45TSC7A2W"};
    t.listC = {"P45GSC4A1Q", "P45GSC4A2Q", "P45GSC4A3Q", "P45GSC4E1Q",
               "P45GSC4E2Q", "P45GSC4E3Q", "P45GSC6A1Q", "P45GSC6E1Q"};
    t.listD = {"M52HSC7A1D", "M52HSC7A2D", "M52HSC7A3D", "M52HSC7E1D",
               "M52HSC7E2D", "M52HSC7E3D", "P52HSC7A1D", "P52HSC7E1D"};
    t.singlePointPrefix = "P80KSL4";
    t.familyPrefixes = {"P47", "M47", "P52", "M52", "P60", "M60", "P80", "M80", "P45"};
    t.uuidList = {
        uuidFromHex("1903adc795a2e72fe29ae41a3fff5a03"), uuidFromHex("f99c23d2d7b5edec4adf68076cb3954a"),
        uuidFromHex("f7f8736e8a43b8147d30f08af33be1e6"), uuidFromHex("2b0e5923e54a8f355cebb643e1717f06"),
        uuidFromHex("d938ba9e27ca3936aaf197b4bf222cf1"), uuidFromHex("48ab2985824b99a6032ba52e865e20f9")};
    t.noLowPowerFamily = "P60H";
    return t;
}

ModelTable& activeSlot() {
    static ModelTable table = makeDefault();
    return table;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isHex32(std::string_view s) {
    if (s.size() != 32)
        return false;
    for (char c : s) {
        if (hexDigit(c) < 0)
            return false;
    }
    return true;
}

// Only called on text that isHex32 accepted (or on the built-in constants).
ModelTable::Uuid uuidFromHex(std::string_view hex) {
    ModelTable::Uuid id{};
    for (std::size_t i = 0; i < id.size() && 2 * i + 1 < hex.size(); ++i) {
        id[i] = static_cast<std::uint8_t>(hexDigit(hex[2 * i]) * 16 + hexDigit(hex[2 * i + 1]));
    }
    return id;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string> splitList(std::string_view value) {
    std::vector<std::string> items;
    if (trim(value).empty())
        return items;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = value.find(',', start);
        items.emplace_back(
            trim(value.substr(start, comma == std::string_view::npos ? value.npos : comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return items;
}

// Each parser answers an empty text on success, or what is wrong with the value.
using Parser = std::function<std::string(std::string_view, ModelTable&)>;

Parser charField(char ModelTable::*field) {
    return [field](std::string_view v, ModelTable& t) -> std::string {
        if (v.size() != 1)
            return "expected exactly one character";
        t.*field = v[0];
        return {};
    };
}

Parser textField(std::string ModelTable::*field, std::size_t length, bool digitsOnly) {
    return [=](std::string_view v, ModelTable& t) -> std::string {
        if (v.size() != length)
            return "expected exactly " + std::to_string(length) + " characters";
        if (digitsOnly) {
            for (char c : v) {
                if (!std::isdigit(static_cast<unsigned char>(c)))
                    return "expected decimal digits";
            }
        }
        t.*field = std::string(v);
        return {};
    };
}

Parser listField(std::vector<std::string> ModelTable::*field, std::size_t minLength, std::size_t maxLength) {
    return [=](std::string_view v, ModelTable& t) -> std::string {
        std::vector<std::string> items = splitList(v);
        for (const std::string& item : items) {
            if (item.size() < minLength || item.size() > maxLength) {
                return "entry '" + item + "' must have " +
                       (minLength == maxLength
                            ? std::to_string(minLength)
                            : std::to_string(minLength) + " to " + std::to_string(maxLength)) +
                       " characters";
            }
        }
        t.*field = std::move(items);
        return {};
    };
}

std::string parseUuids(std::string_view v, ModelTable& t) {
    std::vector<ModelTable::Uuid> ids;
    for (const std::string& item : splitList(v)) {
        if (!isHex32(item))
            return "identifier '" + item + "' must be 32 hexadecimal digits";
        ids.push_back(uuidFromHex(item));
    }
    t.uuidList = std::move(ids);
    return {};
}

const std::vector<std::pair<std::string, Parser>>& parsers() {
    static const std::vector<std::pair<std::string, Parser>> table = {
        {"formPortable", charField(&ModelTable::formPortable)},
        {"formMobile", charField(&ModelTable::formMobile)},
        {"mobileLeadIn", textField(&ModelTable::mobileLeadIn, 2, false)},
        {"seriesMain", textField(&ModelTable::seriesMain, 2, true)},
        {"seriesHigh", textField(&ModelTable::seriesHigh, 2, true)},
        {"seriesSix", textField(&ModelTable::seriesSix, 2, true)},
        {"seriesEight", textField(&ModelTable::seriesEight, 2, true)},
        {"variantM", charField(&ModelTable::variantM)},
        {"variantFive", charField(&ModelTable::variantFive)},
        {"variantR", charField(&ModelTable::variantR)},
        {"variantS", charField(&ModelTable::variantS)},
        {"variantF", charField(&ModelTable::variantF)},
        {"variantK", charField(&ModelTable::variantK)},
        {"variantQ", charField(&ModelTable::variantQ)},
        {"variantBrightline", charField(&ModelTable::variantBrightline)},
        {"variantU", charField(&ModelTable::variantU)},
        {"variantC", charField(&ModelTable::variantC)},
        {"variantN", charField(&ModelTable::variantN)},
        {"bandG1", charField(&ModelTable::bandG1)},
        {"bandG2", charField(&ModelTable::bandG2)},
        {"bandB1", charField(&ModelTable::bandB1)},
        {"bandB2", charField(&ModelTable::bandB2)},
        {"bandB3", charField(&ModelTable::bandB3)},
        {"listA", listField(&ModelTable::listA, 10, 10)},
        {"listB", listField(&ModelTable::listB, 10, 10)},
        {"listC", listField(&ModelTable::listC, 10, 10)},
        {"listD", listField(&ModelTable::listD, 1, 16)},
        {"singlePointPrefix", textField(&ModelTable::singlePointPrefix, 7, false)},
        {"familyPrefixes", listField(&ModelTable::familyPrefixes, 3, 3)},
        {"uuidList", parseUuids},
        {"noLowPowerFamily", textField(&ModelTable::noLowPowerFamily, 4, false)},
    };
    return table;
}

}  // namespace

ModelTable defaultModelTable() {
    return makeDefault();
}

const ModelTable& activeModelTable() {
    return activeSlot();
}

void setActiveModelTable(const ModelTable& table) {
    activeSlot() = table;
}

void resetActiveModelTable() {
    activeSlot() = makeDefault();
}

bool parseModelTable(std::string_view text, ModelTable& table, std::string& error) {
    ModelTable work = table;
    std::set<std::string> seen;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (line.empty() || line.front() == '#')
            continue;

        const std::string where = "line " + std::to_string(lineNo) + ": ";
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            error = where + "expected 'key = value'";
            return false;
        }
        std::string key(trim(line.substr(0, eq)));
        std::string_view value = trim(line.substr(eq + 1));
        const Parser* parser = nullptr;
        for (const auto& [name, p] : parsers()) {
            if (name == key)
                parser = &p;
        }
        if (parser == nullptr) {
            error = where + "unknown key '" + key + "'";
            return false;
        }
        if (!seen.insert(key).second) {
            error = where + "key '" + key + "' given twice";
            return false;
        }
        std::string problem = (*parser)(value, work);
        if (!problem.empty()) {
            error = where + key + ": " + problem;
            return false;
        }
    }
    table = std::move(work);
    return true;
}

bool loadModelTable(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open model table file '" + path + "'";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    ModelTable table = makeDefault();
    if (!parseModelTable(text.str(), table, error)) {
        error = path + ", " + error;
        return false;
    }
    setActiveModelTable(table);
    return true;
}

}  // namespace vantrel
