// The product data that tells radio models apart: one table, a built-in default and a text-file override.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// Every character, list, prefix and identifier the model predicates interpret. Positions refer to the
/// 10-character model code (character 0 form letter, 1-2 series, 3 variant, 4 second variant, 6 feature
/// digit, 7-8 band group).
struct ModelTable {
    using Uuid = std::array<std::uint8_t, 16>;

    char formPortable;         ///< character 0 of portables
    char formMobile;           ///< character 0 of mobiles
    std::string mobileLeadIn;  ///< 2 characters a stored mobile code may be preceded by
    std::string seriesMain;    ///< characters 1-2, two digits each
    std::string seriesHigh;
    std::string seriesSix;
    std::string seriesEight;  ///< only inside singlePointPrefix
    char variantM;            ///< character 3 variants
    char variantFive;
    char variantR;
    char variantS;
    char variantF;
    char variantK;
    char variantQ;           ///< with variantR: the high-power mobile's PA bias test channel is at 500 MHz
    char variantBrightline;  ///< has the Brightline rated-volume softpot; no low-power PA bias
    char variantU;           ///< no low-power PA bias
    char variantC;           ///< character 4
    char variantN;           ///< character 8
    char bandG1;             ///< character 7 of the main band group
    char bandG2;
    char bandB1;  ///< character 8 of the main band group
    char bandB2;
    char bandB3;
    std::vector<std::string> listA;  ///< complete 10-character codes
    std::vector<std::string> listB;
    std::vector<std::string> listC;
    std::vector<std::string> listD;           ///< codes found anywhere in the model text
    std::string singlePointPrefix;            ///< 7 characters
    std::vector<std::string> familyPrefixes;  ///< 3 characters each: form letter and series
    std::vector<Uuid> uuidList;               ///< radios whose spacing comes from the model code
    std::string noLowPowerFamily;  ///< characters 0, 1, 2 and 4 of the one family without low power
};

/// The built-in table.
ModelTable defaultModelTable();

/// The table every predicate reads; the built-in one until replaced.
const ModelTable& activeModelTable();
/// Replaces the active table (the application does this once at start-up).
void setActiveModelTable(const ModelTable& table);
/// Restores the built-in table.
void resetActiveModelTable();

/// Parses override text into `table`, which holds the values to start from (keys not named keep them).
/// Format: one `key = value` per line, '#' starts a comment line, blank lines are skipped; lists are
/// comma-separated; identifiers are 32 hexadecimal digits. Answers false with a message naming the line
/// for an unknown or repeated key, a line without '=', or a value of the wrong form; `table` is then
/// unchanged.
bool parseModelTable(std::string_view text, ModelTable& table, std::string& error);

/// Reads the override file at `path` on top of the built-in table and makes the result active.
/// Answers false with a message (unreadable file or the parse error) and leaves the active table as it was.
bool loadModelTable(const std::string& path, std::string& error);

}  // namespace vantrel
