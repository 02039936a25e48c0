// Converts the radio record to and from the command-line tool's JSON form, keeping every text byte.
#pragma once

#include <optional>
#include <string>

namespace vantrel {

class radioStorage;

/// The JSON form of a radio record:
/// {"serialNo": "...", "modelNo": "...", "uuid": "...", "dataVersion": 35, "tuningProcedure": 1,
///  "values": [[22 integers] x 22], "supported": {"2": true, ..., "28": false}}.
///
/// Texts keep every byte of the record's fixed-width fields: each byte is the code point of the same
/// value, written as \u00XX when it lies below 0x20 or above 0x7E, so any byte survives a round trip.
/// Trailing NUL fill is left out (the record pads a short text with NUL again).
class RecordJson {
  public:
    /// A JSON text that cannot become a record; the message names the field and the fault in one line.
    struct Error {
        std::string message;
    };

    /// The record as JSON text (indented, ends with a line feed).
    static std::string toJson(const radioStorage& record);

    /// Fills `record` from JSON text. Every field is required and no other is accepted: the three texts
    /// (at most 10, 16 and 16 bytes, code points up to U+00FF; the model number goes through the
    /// record's model code extraction, as an archive load does), dataVersion 33..255 (an archive with less
    /// cannot be loaded again), tuningProcedure 1 or 2 and equal to values[0][8], 22 rows of 22 integers
    /// each small enough for an archive entry, and every flag "2" to "28" as a boolean; a supported data
    /// set must not start with the absence marker 4095. Answers an error and leaves `record` untouched
    /// when anything is missing or wrong.
    static std::optional<Error> fromJson(const std::string& text, radioStorage& record);

    /// Bounds of a value that any archive key still stores unchanged.
    static constexpr long long kSmallestValue = -99'999'999;
    static constexpr long long kLargestValue = 999'999'999 - 32'767;
};

}  // namespace vantrel
