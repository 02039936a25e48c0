// Converts the radio record to and from the command-line tool's JSON form, keeping every text byte.
#include "cli/RecordJson.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/BoundedJson.h"
#include "operations/ArchiveLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

using nlohmann::json;

constexpr const char* kSerialNo = "serialNo";
constexpr const char* kModelNo = "modelNo";
constexpr const char* kUuid = "uuid";
constexpr const char* kDataVersion = "dataVersion";
constexpr const char* kTuningProcedure = "tuningProcedure";
constexpr const char* kValues = "values";
constexpr const char* kSupported = "supported";

constexpr unsigned char kFirstPlainByte = 0x20;
constexpr unsigned char kLastPlainByte = 0x7E;
constexpr unsigned kLargestByteCodePoint = 0xFF;

// A fixed-width field without its trailing NUL fill.
std::string withoutNulFill(std::string bytes) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    return bytes;
}

std::string quoted(const std::string& bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < kFirstPlainByte || b > kLastPlainByte) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(b));
            out += escape;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A JSON string (UTF-8, already validated by the parser) back to bytes: each code point is one byte.
// Fails for a code point above U+00FF.
std::optional<std::string> bytesOf(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        unsigned codePoint = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            codePoint = lead & 0x07u;
            length = 4;
        } else if (lead >= 0xE0) {
            codePoint = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xC0) {
            codePoint = lead & 0x1Fu;
            length = 2;
        }
        if (i + length > utf8.size())
            return std::nullopt;
        for (std::size_t k = 1; k < length; ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        if (codePoint > kLargestByteCodePoint)
            return std::nullopt;
        out += static_cast<char>(codePoint);
        i += length;
    }
    return out;
}

struct Failure {
    std::string message;
};

const json& field(const json& object, const char* name) {
    const auto it = object.find(name);
    if (it == object.end())
        throw Failure{std::string("missing field \"") + name + "\""};
    return *it;
}

long long integerOf(const json& value, const std::string& where) {
    if (!value.is_number_integer())
        throw Failure{where + " must be an integer"};
    if (value.is_number_unsigned()) {
        const auto u = value.get<unsigned long long>();
        if (u > static_cast<unsigned long long>(RecordJson::kLargestValue))
            throw Failure{where + " is out of range"};
        return static_cast<long long>(u);
    }
    return value.get<long long>();
}

std::string textOf(const json& object, const char* name, std::size_t width) {
    const json& value = field(object, name);
    if (!value.is_string())
        throw Failure{std::string(name) + " must be a string"};
    const std::optional<std::string> bytes = bytesOf(value.get<std::string>());
    if (!bytes)
        throw Failure{std::string(name) + " holds a character above U+00FF"};
    if (bytes->size() > width)
        throw Failure{std::string(name) + " is longer than " + std::to_string(width) + " bytes"};
    return *bytes;
}

// Everything a JSON record holds, checked, before any of it touches the record.
struct ParsedRecord {
    std::string serialNo, modelNo, uuid;
    std::uint8_t dataVersion = 0;
    std::array<std::array<std::int32_t, record::kColumns>, record::kRows> values{};
    std::array<bool, flag::Count> supported{};
};

// A supported data set whose first value is the absence marker would be written as absent and come back
// unsupported with its values dropped.
void checkAbsenceMarkers(const ParsedRecord& parsed) {
    for (const archive::EntryPlace& place : archive::kEntryPlaces) {
        if (!place.head || !parsed.supported[static_cast<std::size_t>(place.flag - flag::First)])
            continue;
        if (parsed.values[static_cast<std::size_t>(place.row)][static_cast<std::size_t>(place.column)] ==
            record::kAbsentMarker)
            throw Failure{"values[" + std::to_string(place.row) + "][" + std::to_string(place.column) +
                          "] is " + std::to_string(record::kAbsentMarker) +
                          ", the absence marker, but supported \"" + std::to_string(place.flag) +
                          "\" is true"};
    }
}

ParsedRecord parse(const json& root) {
    if (!root.is_object())
        throw Failure{"the record must be a JSON object"};
    static const std::set<std::string> known = {kSerialNo,        kModelNo, kUuid,     kDataVersion,
                                                kTuningProcedure, kValues,  kSupported};
    for (const auto& item : root.items())
        if (!known.contains(item.key()))
            throw Failure{"unknown field \"" + item.key() + "\""};

    ParsedRecord parsed;
    parsed.serialNo = textOf(root, kSerialNo, record::kSerialNoLength);
    parsed.modelNo = textOf(root, kModelNo, record::kModelNoLength);
    parsed.uuid = textOf(root, kUuid, record::kUuidLength);

    const long long version = integerOf(field(root, kDataVersion), kDataVersion);
    if (version < record::kMinAcceptedVersion || version > 255)
        throw Failure{"dataVersion must lie in " + std::to_string(record::kMinAcceptedVersion) +
                      "..255 (an archive with less cannot be loaded)"};
    parsed.dataVersion = static_cast<std::uint8_t>(version);

    const long long procedure = integerOf(field(root, kTuningProcedure), kTuningProcedure);

    const json& rows = field(root, kValues);
    if (!rows.is_array() || rows.size() != record::kRows)
        throw Failure{"values must be an array of " + std::to_string(record::kRows) + " rows"};
    for (int r = 0; r < record::kRows; ++r) {
        const json& columns = rows[static_cast<std::size_t>(r)];
        const std::string rowName = "values[" + std::to_string(r) + "]";
        if (!columns.is_array() || columns.size() != record::kColumns)
            throw Failure{rowName + " must hold " + std::to_string(record::kColumns) + " integers"};
        for (int c = 0; c < record::kColumns; ++c) {
            const std::string where = rowName + "[" + std::to_string(c) + "]";
            const long long v = integerOf(columns[static_cast<std::size_t>(c)], where);
            if (v < RecordJson::kSmallestValue || v > RecordJson::kLargestValue)
                throw Failure{where + " is out of range (" + std::to_string(RecordJson::kSmallestValue) +
                              ".." + std::to_string(RecordJson::kLargestValue) + ")"};
            parsed.values[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                static_cast<std::int32_t>(v);
        }
    }
    const long long stored = parsed.values[row::Frequency][col::TuningProcedure];
    if (procedure != stored)
        throw Failure{"tuningProcedure (" + std::to_string(procedure) + ") differs from values[0][8] (" +
                      std::to_string(stored) + ")"};
    // An archive with any other procedure cannot be loaded again, so it could never be programmed.
    if (!procedureSet::allowsTuning(procedure))
        throw Failure{"tuningProcedure must be 1 or 2, not " + std::to_string(procedure) +
                      " (an archive with another procedure cannot be loaded)"};

    const json& flags = field(root, kSupported);
    if (!flags.is_object())
        throw Failure{"supported must be an object"};
    for (const auto& item : flags.items()) {
        bool isFlagKey = false;
        for (int index = flag::First; index <= flag::Last; ++index)
            isFlagKey = isFlagKey || item.key() == std::to_string(index);
        if (!isFlagKey)
            throw Failure{"supported has an unknown flag \"" + item.key() + "\""};
    }
    for (int index = flag::First; index <= flag::Last; ++index) {
        const std::string key = std::to_string(index);
        const auto it = flags.find(key);
        if (it == flags.end())
            throw Failure{"supported lacks flag \"" + key + "\""};
        if (!it->is_boolean())
            throw Failure{"supported \"" + key + "\" must be true or false"};
        parsed.supported[static_cast<std::size_t>(index - flag::First)] = it->get<bool>();
    }
    checkAbsenceMarkers(parsed);
    return parsed;
}

}  // namespace

std::string RecordJson::toJson(const radioStorage& record) {
    std::string out = "{\n";
    out += "  \"serialNo\": " + quoted(withoutNulFill(record.serialNoBytes())) + ",\n";
    out += "  \"modelNo\": " + quoted(withoutNulFill(record.modelNoBytes())) + ",\n";
    out += "  \"uuid\": " + quoted(withoutNulFill(record.uuidBytes())) + ",\n";
    out += "  \"dataVersion\": " + std::to_string(record.getDataVersion()) + ",\n";
    out += "  \"tuningProcedure\": " + std::to_string(record.getTuningProcedure()) + ",\n";
    out += "  \"values\": [\n";
    for (int r = 0; r < record::kRows; ++r) {
        out += "    [";
        for (int c = 0; c < record::kColumns; ++c) {
            if (c > 0)
                out += ", ";
            out += std::to_string(record.getValue(r, c));
        }
        out += r + 1 < record::kRows ? "],\n" : "]\n";
    }
    out += "  ],\n";
    out += "  \"supported\": {";
    for (int index = flag::First; index <= flag::Last; ++index) {
        if (index > flag::First)
            out += ", ";
        out += "\"" + std::to_string(index) + "\": " + (record.isSupported(index) ? "true" : "false");
    }
    out += "}\n}\n";
    return out;
}

std::optional<RecordJson::Error> RecordJson::fromJson(const std::string& text, radioStorage& record) {
    ParsedRecord parsed;
    try {
        parsed = parse(boundedJson::parse<json>(text));
    } catch (const Failure& failure) {
        return Error{failure.message};
    } catch (const boundedJson::tooDeep& e) {
        return Error{e.what()};
    } catch (const json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 1, ...": keep the part after the tag.
        std::string message = e.what();
        if (const auto end = message.find("] "); end != std::string::npos)
            message.erase(0, end + 2);
        return Error{message};
    }

    record.setSerialNo(parsed.serialNo);
    record.setModelNo(parsed.modelNo);
    record.setUuid(parsed.uuid);
    record.setDataVersion(parsed.dataVersion);
    for (int r = 0; r < record::kRows; ++r)
        for (int c = 0; c < record::kColumns; ++c)
            record.setValue(r, c, parsed.values[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    for (int index = flag::First; index <= flag::Last; ++index) {
        if (parsed.supported[static_cast<std::size_t>(index - flag::First)])
            record.markSupported(index);
        else
            record.markUnsupported(index);
    }
    return std::nullopt;
}

}  // namespace vantrel
