// JSON text from outside the program (session requests, imported records) parsed with a bound on nesting.
#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace vantrel::boundedJson {

/// Deeper than anything the tool reads: a record is three levels, a request four or five.
inline constexpr int kMaxDepth = 64;

/// Nesting deeper than the bound: refused before the parser goes on, so no value that deep is ever built,
/// copied or printed (those walk the tree recursively, and a line of `[[[[...` tens of thousands deep
/// would exhaust the stack).
struct tooDeep : std::runtime_error {
    explicit tooDeep(int maxDepth)
        : std::runtime_error("nested deeper than " + std::to_string(maxDepth) + " levels") {}
};

/// Parses `text` as Json::parse does (throwing its parse errors), but throws tooDeep as soon as an array
/// or object opens at nesting level `maxDepth` + 1.
template <typename Json>
Json parse(const std::string& text, int maxDepth = kMaxDepth) {
    const typename Json::parser_callback_t bound = [maxDepth](int depth, typename Json::parse_event_t event,
                                                              Json&) {
        // `depth` counts the containers already open around the one starting.
        if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
            depth >= maxDepth)
            throw tooDeep(maxDepth);
        return true;
    };
    return Json::parse(text, bound);
}

}  // namespace vantrel::boundedJson
