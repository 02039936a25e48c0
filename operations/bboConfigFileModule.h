// The baseband offset configuration file bbo.cfg: reader, writer and the match of a radio to one of its
// blocks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "operations/UserPrompt.h"

namespace vantrel {

class RadioProtocol;
class radioStorage;

/// One row of a configuration block: its name, the byte of a channel-spacing entry that holds it and the
/// bit mask within that byte (15 the low nibble, anything else the high nibble).
struct bboConfigRow {
    std::string name;  ///< 25 characters as stored (blank-padded by the writer)
    std::uint8_t position = 0;
    std::uint8_t mask = 0x0F;
    bool operator==(const bboConfigRow&) const = default;
};

/// One radio block of the file.
struct bboConfigBlock {
    std::int32_t word = 0;             ///< recorded, not used
    std::string modelKey;              ///< three characters, compared with the model code
    char modelChar = ' ';              ///< compared with the model code eight places further on
    std::uint32_t versionAddress = 0;  ///< codeplug address of the version byte, 0..0xFFFFFF
    std::int32_t lowVersion = 0;       ///< accepted versions, inclusive
    std::int32_t highVersion = 0;
    std::uint32_t tableAddress = 0;  ///< codeplug address of the offset table (the low 16 bits are used)
    std::vector<bboConfigRow> rows;  ///< 0 to 20
    bool operator==(const bboConfigBlock&) const = default;
};

enum class bboLoadResult {
    Loaded,
    Missing,     ///< no such file
    Unreadable,  ///< cannot be read, or damaged (truncated, a count out of range, a line too long)
};

enum class bboMatchResult {
    Matched,             ///< the record holds the block and its rows
    UnsupportedVersion,  ///< the file's format version is not 0
    NoMatch,             ///< no block fits the radio
    AllocationFailed,    ///< the rows could not be set up in the record
    LinkFailed,          ///< a version byte could not be read from the radio
};

/// Reads `bbo.cfg`: numbers stored as decimal (value + key) on lines of at most 29 characters, texts
/// stored scrambled at fixed width, each line ending in LF or CR LF. The shell owns one for the whole run.
/// Damaged files are refused as a whole, never read past their end.
class bboConfigFileModule {
  public:
    static constexpr const char* kFileName = "bbo.cfg";
    static constexpr int kMaxRows = 20;
    static constexpr int kNameLength = 25;
    static constexpr int kModelKeyLength = 3;
    static constexpr std::size_t kMaxNumberLine = 29;
    static constexpr std::size_t kMaxFileSize = 1 << 20;
    static constexpr int kDefaultKey = 1234;

    static constexpr const char* kMissingText =
        "Baseband Offset Utility configuration file is missing.\nPlease contact Kestrane for latest "
        "configuration file.";
    static constexpr const char* kMissingCaption = " NOTE";
    static constexpr const char* kUnreadableText =
        "Unable to read Baseband Offset Utility configuration file";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kVersionText =
        "The current Tuner does not support this version of the Baseband Update configuration file";
    static constexpr const char* kNoMatchText =
        "Unable to match data configuration to current radio.\nPlease contact Kestrane for latest Baseband "
        "Update configuration file.";
    static constexpr const char* kAllocationText = "Initializing data from configuration file failed";
    static constexpr const char* kVerifyText =
        "Unable to verify system parameters. Please check connection and retry again";
    static constexpr const char* kVerifyCaption = " WARNING";

    /// The file's path in a program directory: the directory followed by "/bbo.cfg".
    static std::string pathIn(const std::string& programDirectory);
    /// The bbo.cfg the program uses: the first regular file of that name in the settings folder, the XDG
    /// data folders, then the program folder; pathIn(programDirectory) when none holds one.
    static std::string locate(const std::string& settingsDirectory, const std::string& programDirectory);

    /// Reads the whole file and parses it. Anything but Loaded leaves the module not loaded.
    bboLoadResult loadFile(const std::string& path);
    /// Parses file text. False (and not loaded) for a damaged text. A text whose format version is not 0
    /// loads with its key and version only: matching then answers UnsupportedVersion.
    bool parse(std::string_view text);
    bool isLoaded() const { return m_loaded; }
    /// The file the module was loaded from (empty when loaded from text or not loaded).
    const std::string& loadedFrom() const { return m_path; }
    std::int64_t key() const { return m_key; }
    std::int64_t version() const { return m_version; }
    const std::vector<bboConfigBlock>& blocks() const { return m_blocks; }

    /// Finds the radio's block and copies it, with its rows, into the record; sets the record's
    /// configuration status (version) and block count. Radios that hold their own offsets only get
    /// the nine fixed rows (no file needed). A block matches when its model key equals the three model
    /// characters at modelOffset(), its model character the one at modelOffset() + 8, and the version
    /// byte read from the radio at the block's version address lies within the accepted versions; the
    /// version byte is read only for blocks whose model matches. Link failures answer LinkFailed.
    bboMatchResult matchRadio(radioStorage& record, RadioProtocol& link) const;

    /// 2 when the model number starts with two capital letters J, else 0.
    static int modelOffset(const radioStorage& record);
    /// What the user sees for a load or match outcome (empty text for success).
    static PromptMessage messageFor(bboLoadResult result);
    static PromptMessage messageFor(bboMatchResult result);

    /// The text of a file holding these blocks (format version 0), numbers offset by `key`, CR LF line
    /// ends. Names are blank-padded (or cut) to 25 characters, model keys to 3.
    static std::string write(const std::vector<bboConfigBlock>& blocks, int key = kDefaultKey);
    /// Text scrambling: a stored code s stands for 128 - s when odd, 40 - s when even (modulo 256).
    static char unscramble(char stored);
    static char scramble(char plain);

  private:
    void clear();

    bool m_loaded = false;
    std::string m_path;
    std::int64_t m_key = 0;
    std::int64_t m_version = 0;
    std::vector<bboConfigBlock> m_blocks;
};

}  // namespace vantrel
