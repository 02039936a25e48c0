// The baseband offset configuration file: keyed numbers, scrambled fixed-width texts, blocks and rows.
#include "operations/bboConfigFileModule.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

#include "link/Exceptions.h"
#include "link/dataFiles.h"
#include "link/regularFile.h"
#include "radio/RecordLayout.h"
#include "radio/codeplugAccess.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

constexpr std::int64_t kMaxAddress = 0xFFFFFF;
constexpr char kJ = 'J';

/// Reads the file's lines in order; every read answers nullopt once the text runs out or a line is
/// malformed, and the parse then refuses the whole file.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    /// A decimal number line (sign allowed, blanks around it), at most 29 characters.
    std::optional<std::int64_t> number() {
        const std::size_t end = m_text.find('\n', m_at);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = m_text.substr(m_at, end - m_at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > bboConfigFileModule::kMaxNumberLine)
            return std::nullopt;
        m_at = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (!line.empty() && line.front() == '+')
            line.remove_prefix(1);
        std::int64_t value = 0;
        const auto [stop, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (line.empty() || error != std::errc() || stop != line.data() + line.size())
            return std::nullopt;
        return value;
    }

    /// A number line holding (value + key), as the value; nullopt outside [lo, hi].
    std::optional<std::int64_t> keyed(std::int64_t key, std::int64_t lo, std::int64_t hi) {
        const std::optional<std::int64_t> n = number();
        if (!n)
            return std::nullopt;
        std::int64_t value = 0;
        if (__builtin_sub_overflow(*n, key, &value) || value < lo || value > hi)
            return std::nullopt;
        return value;
    }

    /// `width` scrambled bytes taken as they are (a scrambled 's' is a carriage return), then the line end.
    std::optional<std::string> text(std::size_t width) {
        if (m_text.size() - m_at < width)
            return std::nullopt;
        std::string out;
        for (std::size_t i = 0; i < width; ++i) out += bboConfigFileModule::unscramble(m_text[m_at + i]);
        std::size_t at = m_at + width;
        if (at < m_text.size() && m_text[at] == '\r')
            ++at;
        if (at >= m_text.size() || m_text[at] != '\n')
            return std::nullopt;
        m_at = at + 1;
        return out;
    }

  private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::optional<bboConfigBlock> readBlock(LineReader& in, std::int64_t key) {
    bboConfigBlock b;
    const auto word = in.keyed(key, kInt32Min, kInt32Max);
    const auto modelKey = word ? in.text(bboConfigFileModule::kModelKeyLength) : std::nullopt;
    const auto modelChar = modelKey ? in.text(1) : std::nullopt;
    const auto versionAddress = modelChar ? in.keyed(key, 0, kMaxAddress) : std::nullopt;
    const auto low = versionAddress ? in.keyed(key, kInt32Min, kInt32Max) : std::nullopt;
    const auto high = low ? in.keyed(key, kInt32Min, kInt32Max) : std::nullopt;
    const auto tableAddress = high ? in.keyed(key, 0, kMaxAddress) : std::nullopt;
    const auto rows = tableAddress ? in.keyed(key, 0, bboConfigFileModule::kMaxRows) : std::nullopt;
    if (!rows)
        return std::nullopt;
    b.word = static_cast<std::int32_t>(*word);
    b.modelKey = *modelKey;
    b.modelChar = (*modelChar)[0];
    b.versionAddress = static_cast<std::uint32_t>(*versionAddress);
    b.lowVersion = static_cast<std::int32_t>(*low);
    b.highVersion = static_cast<std::int32_t>(*high);
    b.tableAddress = static_cast<std::uint32_t>(*tableAddress);
    for (std::int64_t i = 0; i < *rows; ++i) {
        const auto name = in.text(bboConfigFileModule::kNameLength);
        const auto position = name ? in.keyed(key, 0, 0xFF) : std::nullopt;
        const auto mask = position ? in.keyed(key, 0, 0xFF) : std::nullopt;
        if (!mask)
            return std::nullopt;
        b.rows.push_back({*name, static_cast<std::uint8_t>(*position), static_cast<std::uint8_t>(*mask)});
    }
    return b;
}

std::optional<std::string> readWhole(const std::string& path, bool& missing) {
    RegularFileText file = readRegularFile(path, bboConfigFileModule::kMaxFileSize);
    missing = file.status == RegularFileText::Status::Missing;
    if (!file)
        return std::nullopt;
    return std::move(file.text);
}

}  // namespace

std::string bboConfigFileModule::pathIn(const std::string& programDirectory) {
    return programDirectory + "/" + kFileName;
}

std::string bboConfigFileModule::locate(const std::string& settingsDirectory,
                                        const std::string& programDirectory) {
    const std::string found = findDataFile(kFileName, dataFileFolders(settingsDirectory, programDirectory));
    return found.empty() ? pathIn(programDirectory) : found;
}

char bboConfigFileModule::unscramble(char stored) {
    const int s = static_cast<unsigned char>(stored);
    return static_cast<char>(((s % 2) ? 128 - s : 40 - s) & 0xFF);
}

char bboConfigFileModule::scramble(char plain) {
    // Odd characters come from odd codes and even ones from even codes, so the rule is its own inverse.
    return unscramble(plain);
}

void bboConfigFileModule::clear() {
    m_loaded = false;
    m_path.clear();
    m_key = 0;
    m_version = 0;
    m_blocks.clear();
}

bool bboConfigFileModule::parse(std::string_view text) {
    clear();
    LineReader in(text);
    const std::optional<std::int64_t> key = in.number();
    if (!key)
        return false;
    const std::optional<std::int64_t> version =
        in.keyed(*key, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    if (!version)
        return false;
    std::vector<bboConfigBlock> blocks;
    if (*version == 0) {
        const std::optional<std::int64_t> count = in.keyed(*key, 0, std::numeric_limits<std::int64_t>::max());
        if (!count)
            return false;
        // A count beyond what the text can hold ends at the first missing line.
        for (std::int64_t i = 0; i < *count; ++i) {
            std::optional<bboConfigBlock> block = readBlock(in, *key);
            if (!block)
                return false;
            blocks.push_back(std::move(*block));
        }
    }
    m_key = *key;
    m_version = *version;
    m_blocks = std::move(blocks);
    m_loaded = true;
    return true;
}

bboLoadResult bboConfigFileModule::loadFile(const std::string& path) {
    clear();
    bool missing = false;
    const std::optional<std::string> text = readWhole(path, missing);
    if (!text)
        return missing ? bboLoadResult::Missing : bboLoadResult::Unreadable;
    if (!parse(*text))
        return bboLoadResult::Unreadable;
    m_path = path;
    return bboLoadResult::Loaded;
}

int bboConfigFileModule::modelOffset(const radioStorage& record) {
    const char* model = record.getModelNo();
    return model[0] == kJ && model[1] == kJ ? 2 : 0;
}

bboMatchResult bboConfigFileModule::matchRadio(radioStorage& record, RadioProtocol& link) const {
    if (record.isBboFromRadio())
        return record.allocateBboRows() ? bboMatchResult::Matched : bboMatchResult::AllocationFailed;
    if (m_version != 0)
        return bboMatchResult::UnsupportedVersion;
    record.setBboConfigStatus(static_cast<std::int32_t>(m_version));
    record.setBboConfigBlocks(static_cast<std::int32_t>(std::min<std::size_t>(m_blocks.size(), kInt32Max)));
    const std::string model = record.modelNoBytes();
    const std::size_t off = static_cast<std::size_t>(modelOffset(record));
    try {
        for (const bboConfigBlock& b : m_blocks) {
            if (model.compare(off, kModelKeyLength, b.modelKey) != 0 || model[off + 8] != b.modelChar)
                continue;
            std::uint8_t version = 0;
            if (!codeplugAccess::readBytes(link, b.versionAddress, 1, &version))
                return bboMatchResult::LinkFailed;
            if (version < b.lowVersion || version > b.highVersion)
                continue;
            BboBlock& target = record.bboBlock();
            target.word = b.word;
            std::memset(target.modelKey, 0, sizeof target.modelKey);
            std::memcpy(target.modelKey, b.modelKey.data(), std::min<std::size_t>(b.modelKey.size(), 3));
            target.modelChar = b.modelChar;
            target.versionAddress = static_cast<std::int32_t>(b.versionAddress);
            target.lowestVersion = b.lowVersion;
            target.highestVersion = b.highVersion;
            target.tableAddress = static_cast<std::int32_t>(b.tableAddress);
            target.bboRowCount = static_cast<std::int32_t>(b.rows.size());
            if (!record.allocateBboRows())
                return bboMatchResult::AllocationFailed;
            std::vector<BboRow>& rows = record.getBboRows();
            for (std::size_t i = 0; i < b.rows.size() && i < rows.size(); ++i) {
                std::memset(rows[i].name, 0, sizeof rows[i].name);
                std::memcpy(rows[i].name, b.rows[i].name.data(),
                            std::min<std::size_t>(b.rows[i].name.size(), record::kBboNameLength));
                rows[i].bytePosition = b.rows[i].position;
                rows[i].mask = b.rows[i].mask;
            }
            return bboMatchResult::Matched;
        }
    } catch (const Exception&) {
        return bboMatchResult::LinkFailed;
    }
    return bboMatchResult::NoMatch;
}

PromptMessage bboConfigFileModule::messageFor(bboLoadResult result) {
    switch (result) {
        case bboLoadResult::Loaded:
            break;
        case bboLoadResult::Missing:
            return {kMissingText, kMissingCaption, PromptIcon::Information, PromptButtons::Ok};
        case bboLoadResult::Unreadable:
            return {kUnreadableText, kErrorCaption, PromptIcon::Exclamation, PromptButtons::Ok};
    }
    return {};
}

PromptMessage bboConfigFileModule::messageFor(bboMatchResult result) {
    switch (result) {
        case bboMatchResult::Matched:
            break;
        case bboMatchResult::UnsupportedVersion:
            return {kVersionText, kErrorCaption, PromptIcon::Exclamation, PromptButtons::Ok};
        case bboMatchResult::NoMatch:
            return {kNoMatchText, kErrorCaption, PromptIcon::Exclamation, PromptButtons::Ok};
        case bboMatchResult::AllocationFailed:
            return {kAllocationText, kErrorCaption, PromptIcon::Exclamation, PromptButtons::Ok};
        case bboMatchResult::LinkFailed:
            return {kVerifyText, kVerifyCaption, PromptIcon::Exclamation, PromptButtons::Ok};
    }
    return {};
}

std::string bboConfigFileModule::write(const std::vector<bboConfigBlock>& blocks, int key) {
    std::string out;
    auto number = [&](std::int64_t v) { out += std::to_string(v + key) + "\r\n"; };
    auto text = [&](std::string s, std::size_t width) {
        s.resize(width, ' ');
        for (char c : s) out += scramble(c);
        out += "\r\n";
    };
    out += std::to_string(key) + "\r\n";
    number(0);
    number(static_cast<std::int64_t>(blocks.size()));
    for (const bboConfigBlock& b : blocks) {
        number(b.word);
        text(b.modelKey, kModelKeyLength);
        text(std::string(1, b.modelChar), 1);
        number(b.versionAddress);
        number(b.lowVersion);
        number(b.highVersion);
        number(b.tableAddress);
        number(static_cast<std::int64_t>(b.rows.size()));
        for (const bboConfigRow& row : b.rows) {
            text(row.name, kNameLength);
            number(row.position);
            number(row.mask);
        }
    }
    return out;
}

}  // namespace vantrel
