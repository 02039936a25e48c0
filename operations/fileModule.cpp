// Softpot archive files: the fixed header, the scrambled identity, the keyed run of 140 numbers.
#include "operations/fileModule.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>

#include "link/regularFile.h"
#include "link/writeFileAtomically.h"
#include "operations/ArchiveLayout.h"
#include "radio/RF_Frequency.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

constexpr const char* kCaptionError = "ERROR";
constexpr const char* kCaptionNote = "NOTE";
constexpr const char* kSaveFailed = "Archive File could not be saved!!";
constexpr const char* kOpenFailed = "Archive File could not be opened!!";
constexpr const char* kNotArchive = "Invalid file format!! File is not an *.SFP file";
constexpr const char* kIncompatible =
    "Softpot archive file is incompatible with current version of the Tuner";
constexpr const char* kBadProcedure =
    "Archive file contains invalid Tuning Procedure Version. All tuning operations blocked";
constexpr const char* kLoaded = "Tuning data has been loaded.";

// Bounds of (value + key) whose decimal text still fits a one-digit length.
constexpr std::int64_t kLargestEntryText = 999'999'999;
constexpr std::int64_t kSmallestEntryText = -99'999'999;

// Blanks between the serial and the model number in the status bar.
constexpr std::size_t kStatusGap = 95;

std::int32_t clampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The number that the text's digits give, read the way the C library's atoi reads: leading blanks, an
// optional sign, then digits up to the first other character. Saturates instead of overflowing.
std::int64_t decimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'),
                                       std::numeric_limits<std::int64_t>::max() / 16);
    }
    return negative ? -value : value;
}

// A digit byte as the number it stands for; any other byte gives what the subtraction gives.
int digitValue(char c) {
    return static_cast<int>(static_cast<unsigned char>(c)) - '0';
}

// The first ':' of the data, blanks after it, then the magic word (a line feed ends the word early).
bool hasMagic(std::string_view data) {
    std::size_t i = data.find(archive::kLead);
    if (i == std::string_view::npos)
        return false;
    ++i;
    while (i < data.size() && data[i] == ' ') ++i;
    std::string_view word = data.substr(i, archive::kMagic.size());
    word = word.substr(0, word.find('\n'));
    return word == archive::kMagic;
}

// The run of numeric entries after the key, each as (value + key) text behind its length digit. A run
// is whole only when every one of the 140 entries is there and well formed: a length digit 1..9 followed
// by that many characters of decimal text (a leading '-' allowed). Bytes after entry 140 are ignored.
class NumberRun {
  public:
    /// Nothing when the run is cut short or holds a byte that is not where a digit must stand.
    static std::optional<NumberRun> parse(std::string_view data, std::size_t start, std::int32_t key) {
        NumberRun run;
        std::size_t pos = start;
        for (std::int32_t& entry : run.m_entries) {
            if (pos >= data.size())
                return std::nullopt;
            const int length = digitValue(data[pos]);
            if (length < 1 || length > archive::kMaxEntryLength)
                return std::nullopt;
            const std::string_view text = data.substr(pos + 1, static_cast<std::size_t>(length));
            if (text.size() != static_cast<std::size_t>(length) || !isDecimalText(text))
                return std::nullopt;
            entry = clampToInt32(decimalValue(text) - key);
            pos += static_cast<std::size_t>(length) + 1;
        }
        return run;
    }
    /// Entry n (1-based).
    std::int32_t at(int n) const { return m_entries[static_cast<std::size_t>(n - 1)]; }

  private:
    NumberRun() = default;
    // Digits only, after an optional leading minus sign.
    static bool isDecimalText(std::string_view text) {
        if (!text.empty() && text.front() == '-')
            text.remove_prefix(1);
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    }
    std::array<std::int32_t, archive::kEntryCount> m_entries{};
};

// The key: K (one digit, 1..9) and K decimal digits. Nothing when either is damaged.
std::optional<std::int32_t> keyOf(std::string_view data, std::size_t& runStart) {
    const int digits = digitValue(data[archive::kKeyDigitsOffset]);
    if (digits < 1 || digits > archive::kMaxEntryLength)
        return std::nullopt;
    const std::string_view text = data.substr(archive::kKeyOffset, static_cast<std::size_t>(digits));
    if (text.size() != static_cast<std::size_t>(digits) ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    runStart = archive::kKeyOffset + static_cast<std::size_t>(digits);
    return clampToInt32(decimalValue(text));
}

// What the mobile transmit power data set derives after its values were read: the low-band flag from
// the transmit points, and a cleared transmit DAC marker.
void deriveLowBand(radioStorage& record) {
    RF_Frequency frequency;
    const auto base = static_cast<std::uint32_t>(record.getValue(row::Frequency, col::FrequencyBase));
    bool lowBand = false;
    for (int k = 0; k < record::kPointCount; ++k) {
        frequency.pointFrequency(
            base, static_cast<std::uint32_t>(record.getValue(row::Frequency, col::TxPointFirst + k)));
        lowBand = lowBand || RF_Frequency::isLowBandKhz(frequency.lastFrequencyKhz());
    }
    record.setValue(row::TxDacMarker, col::TxDacMarker, 0);
    record.setValue(row::MobilePower, col::LowBandFlag, lowBand ? 1 : 0);
}

}  // namespace

fileModule::fileModule(UserPrompt& prompt, KeySource keys) : m_prompt(prompt), m_keys(std::move(keys)) {
    if (!m_keys)
        m_keys = &fileModule::timeSeededKey;
}

void fileModule::tell(const std::string& text, const char* caption, PromptIcon icon) {
    m_prompt.show(text, caption, icon, PromptButtons::Ok);
}

std::optional<bool> fileModule::tuningAllowedAfter(ArchiveLoadResult result) {
    switch (result) {
        case ArchiveLoadResult::Loaded:
            return true;
        case ArchiveLoadResult::InvalidProcedure:
            return false;
        default:
            return std::nullopt;
    }
}

void fileModule::scramble(std::string& text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>(static_cast<unsigned char>((b & 1) ? 128 - b : 40 - b));
    }
}

std::string fileModule::statusText(const radioStorage& record) {
    return std::string("Radio Serial No :") + record.getSerialNo() + std::string(kStatusGap, ' ') +
           "Radio Model No: " + record.getModelNo();
}

std::int32_t fileModule::timeSeededKey() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return static_cast<std::int32_t>(generator() % archive::kKeyLimit);
}

std::string fileModule::encodeArchive(const radioStorage& record, std::int32_t key) {
    std::string out;
    out.reserve(archive::kReadBufferSize);
    out += archive::kLead;
    out += archive::kMagic;

    std::string serial = record.serialNoBytes();
    scramble(serial);
    out += serial;

    std::string model = record.modelNoBytes();
    model[archive::kVersionCharInModel] = static_cast<char>(record.getDataVersion());
    scramble(model);
    out += model;

    // One byte: any procedure value 0..9 is its digit; other values still keep the header's width.
    out += static_cast<char>('0' + record.getTuningProcedure());
    out += archive::kReservedDigit;

    const std::string keyText = std::to_string(key);
    out += static_cast<char>('0' + keyText.size());
    out += keyText;

    for (const archive::EntryPlace& place : archive::kEntryPlaces) {
        std::int64_t value = record.getValue(place.row, place.column);
        if (place.head && !record.isSupported(place.flag))
            value = record::kAbsentMarker;
        const std::int64_t shifted = std::clamp(value + key, kSmallestEntryText, kLargestEntryText);
        const std::string text = std::to_string(shifted);
        out += static_cast<char>('0' + text.size());
        out += text;
    }
    return out;
}

bool fileModule::writeArchive(const std::string& path, const radioStorage& record) {
    const std::int32_t key = ((m_keys() % archive::kKeyLimit) + archive::kKeyLimit) % archive::kKeyLimit;
    const FileWriteResult written = writeFileAtomically(path, encodeArchive(record, key));
    m_lastFailureDetail = written ? std::string() : path + ": " + written.reason();
    if (!written) {
        tell(kSaveFailed, kCaptionError, PromptIcon::Exclamation);
        return false;
    }
    return true;
}

ArchiveLoadResult fileModule::readArchive(const std::string& path, radioStorage& record) {
    m_archiveFileName = path;
    // The reader looks at no more than its buffer holds; a FIFO or device in the file's place is refused
    // before it could block the program or feed it endless bytes.
    RegularFileText file = readRegularFile(path, archive::kReadBufferSize, true);
    m_lastFailureDetail = file ? std::string() : path + ": " + file.reason();
    if (!file) {
        tell(kOpenFailed, kCaptionError, PromptIcon::Exclamation);
        return ArchiveLoadResult::CannotOpen;
    }
    const std::string data = std::move(file.text);
    // A file that ends inside the fixed header cannot be told from any other file.
    if (!hasMagic(data) || data.size() < static_cast<std::size_t>(archive::kHeaderLength)) {
        tell(kNotArchive, kCaptionError, PromptIcon::Exclamation);
        return ArchiveLoadResult::InvalidFormat;
    }

    std::string serial = data.substr(archive::kSerialOffset, archive::kSerialLength);
    scramble(serial);
    std::string model = data.substr(archive::kModelOffset, archive::kModelLength);
    scramble(model);
    const auto version = static_cast<std::uint8_t>(model[archive::kVersionCharInModel]);
    model[archive::kVersionCharInModel] = ' ';

    if (version < archive::kMinVersion) {
        record.setSerialNo(serial);
        record.setModelNo(model);
        tell(kIncompatible, kCaptionError, PromptIcon::Exclamation);
        return ArchiveLoadResult::Incompatible;
    }

    // A file cut inside its number run, or with a stray byte where a digit must stand, would program
    // wrong values into a radio: it is refused whole, before anything reaches the record.
    std::size_t runStart = 0;
    const std::optional<std::int32_t> key = keyOf(data, runStart);
    const std::optional<NumberRun> entries = key ? NumberRun::parse(data, runStart, *key) : std::nullopt;
    if (!entries) {
        tell(kNotArchive, kCaptionError, PromptIcon::Exclamation);
        return ArchiveLoadResult::InvalidFormat;
    }

    record.setSerialNo(serial);
    record.setModelNo(model);
    record.setDataVersion(version);

    const std::int32_t procedure = digitValue(data[archive::kProcedureOffset]);
    record.setTuningProcedure(procedure);
    if (!procedureSet::allowsTuning(procedure)) {
        tell(kBadProcedure, kCaptionNote, PromptIcon::Information);
        return ArchiveLoadResult::InvalidProcedure;
    }

    // Entries of data sets the file's version does not know read as absent without looking at the file.
    auto entry = [&](int n) -> std::int32_t {
        if (version < archive::kEntryPlaces[static_cast<std::size_t>(n - 1)].minVersion)
            return record::kAbsentMarker;
        return entries->at(n);
    };

    std::array<bool, flag::Last + 1> stored{};
    for (int n = 1; n <= archive::kEntryCount; ++n) {
        const archive::EntryPlace& place = archive::kEntryPlaces[static_cast<std::size_t>(n - 1)];
        if (!place.head)
            continue;
        stored[static_cast<std::size_t>(place.flag)] = entry(n) != record::kAbsentMarker;
        if (stored[static_cast<std::size_t>(place.flag)]) {
            record.markSupported(place.flag);
        } else {
            record.markUnsupported(place.flag);
        }
    }
    for (int n = 1; n <= archive::kEntryCount; ++n) {
        const archive::EntryPlace& place = archive::kEntryPlaces[static_cast<std::size_t>(n - 1)];
        if (place.flag != archive::kNoFlag && !stored[static_cast<std::size_t>(place.flag)])
            continue;
        record.setValue(place.row, place.column, entry(n));
    }
    if (stored[flag::MobileTxPower])
        deriveLowBand(record);

    tell(kLoaded, kCaptionNote, PromptIcon::Information);
    return ArchiveLoadResult::Loaded;
}

}  // namespace vantrel
