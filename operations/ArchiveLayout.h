// Byte layout of softpot archive files and the table of their 140 numeric entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "radio/RecordLayout.h"

namespace vantrel::archive {

// Header fields, as byte offsets from the start of the file. Nothing separates the fields and there is
// no line terminator anywhere in the file.
inline constexpr char kLead = ':';                   ///< offset 0
inline constexpr std::string_view kMagic = "TORKA";  ///< offsets 1..5
inline constexpr int kSerialOffset = 6;              ///< 10 scrambled serial number bytes
inline constexpr int kSerialLength = record::kSerialNoLength;
inline constexpr int kModelOffset = 16;  ///< 16 scrambled model number bytes
inline constexpr int kModelLength = record::kModelNoLength;
inline constexpr int kVersionCharInModel = 15;  ///< model character replaced by the data version
inline constexpr int kProcedureOffset = 32;     ///< tuning procedure version, one digit
inline constexpr int kReservedOffset = 33;      ///< written as '0', ignored on reading
inline constexpr char kReservedDigit = '0';
inline constexpr int kKeyDigitsOffset = 34;       ///< K: number of digits of the key
inline constexpr int kKeyOffset = 35;             ///< the key, K decimal digits
inline constexpr int kHeaderLength = kKeyOffset;  ///< bytes up to and including the key length digit

inline constexpr std::size_t kReadBufferSize = 2000;  ///< the reader looks at no more than this
inline constexpr std::int32_t kKeyLimit = 32768;      ///< keys are 0..32767
inline constexpr int kMaxEntryLength = 9;             ///< an entry's length is one decimal digit
inline constexpr int kEntryCount = 140;

/// Lowest data version character a reader accepts, and the versions that introduced later data sets.
inline constexpr std::uint8_t kMinVersion = record::kMinAcceptedVersion;  ///< '!'
inline constexpr std::uint8_t kVersionMobileSets = 34;                    ///< '"': entries 108..125
inline constexpr std::uint8_t kVersionLimitSets = 35;                     ///< '#': entries 126..133

/// No support flag: the entry is stored unconditionally.
inline constexpr int kNoFlag = 0;

/// A run of consecutive entries stored in consecutive columns of one row.
struct EntryRun {
    int firstEntry;  ///< 1-based entry number
    int count;
    int row;
    int firstColumn;
    int flag;                 ///< the support flag of the data set the run belongs to, or kNoFlag
    bool head;                ///< the run's first entry carries the set's absence marker
    std::uint8_t minVersion;  ///< the data version character from which a reader honours the run
};

/// Every entry of an archive, in file order. Each flagged data set has exactly one head entry; the
/// transmit DAC values (106, 107) and the tuning block parameter byte (125) ride on the sets that
/// follow or precede them.
inline constexpr auto kRuns = std::to_array<EntryRun>({
    {1, 1, row::Frequency, col::FrequencyBase, kNoFlag, false, kMinVersion},
    {2, record::kPointCount, row::Frequency, col::TxPointFirst, kNoFlag, false, kMinVersion},
    {9, record::kPointCount, row::Frequency, col::RxPointFirst, kNoFlag, false, kMinVersion},
    {16, 1, row::RefOscWarp, col::Single, flag::RefOscWarp, true, kMinVersion},
    {17, record::kPointCount, row::TxPower, col::TxPowerHigh, flag::TxPower, true, kMinVersion},
    {24, record::kPointCount, row::TxPower, col::TxPowerLow, flag::TxPower, false, kMinVersion},
    {31, record::kPointCount, row::ModAttenuation, col::SetThird, flag::ModAttenuation, true, kMinVersion},
    {38, record::kPointCount, row::VcoAttenuation, col::SetThird, flag::VcoAttenuation, true, kMinVersion},
    {45, record::kPointCount, row::VcoAttenuation, col::SetSecond, flag::VcoAttenuation, false, kMinVersion},
    {52, record::kPointCount, row::VcoAttenuation, col::SetFirst, flag::VcoAttenuation, false, kMinVersion},
    {59, 1, row::DtmfDeviation, col::Single, flag::DtmfDeviation, true, kMinVersion},
    {60, 1, row::PaBias, col::PaBiasFirstHigh, flag::PaBiasFirstHigh, true, kMinVersion},
    {61, 1, row::PaBias, col::PaBiasFirstLow, flag::PaBiasFirstLow, true, kMinVersion},
    {62, 1, row::Qdt1200Deviation, col::Single, flag::Qdt1200Deviation, true, kMinVersion},
    {63, record::kPointCount, row::FrontEndFilter, col::SetFirst, flag::FrontEndFilter, true, kMinVersion},
    {70, record::kPointCount, row::AutoSquelch, col::SetThird, flag::AutoSquelch, true, kMinVersion},
    {77, record::kPointCount, row::AutoSquelch, col::SetSecond, flag::AutoSquelch, false, kMinVersion},
    {84, record::kPointCount, row::AutoSquelch, col::SetFirst, flag::AutoSquelch, false, kMinVersion},
    {91, 1, row::RatedVolume, col::RatedVolume, flag::RatedVolume, true, kMinVersion},
    {92, 1, row::RatedVolume, col::RatedVolumeBrightline, flag::RatedVolume, false, kMinVersion},
    {93, col::TempCompCount, row::Frequency, col::TempCompFirst, kNoFlag, false, kMinVersion},
    {97, 1, row::Frequency, col::OptionByte, kNoFlag, false, kMinVersion},
    {98, 1, row::Select5Deviation, col::Single, flag::Select5Deviation, true, kMinVersion},
    {99, 1, row::Mpt1327Deviation, col::Single, flag::Mpt1327Deviation, true, kMinVersion},
    {100, col::RssiCount, row::Rssi, col::RssiFirst, flag::Rssi, true, kMinVersion},
    {106, 2, row::MobilePower, col::LowBandTxDacFirst, flag::MobileTxPower, false, kMinVersion},
    {108, col::KmCount, row::MobilePower, col::KmFirst, flag::MobileTxPower, true, kVersionMobileSets},
    {122, 1, row::PaBias, col::PaBiasSecondHigh, flag::PaBiasSecond, true, kVersionMobileSets},
    {123, 1, row::PaBias, col::PaBiasThirdHigh, flag::PaBiasThird, true, kVersionMobileSets},
    {124, 1, row::Parameters, col::BatteryThreshold, flag::BatteryThreshold, true, kVersionMobileSets},
    {125, 1, row::Parameters, col::ParameterByte, flag::BatteryThreshold, false, kVersionMobileSets},
    {126, 1, row::HssDeviation, col::Single, flag::HssDeviation, true, kVersionLimitSets},
    {127, record::kPointCount, row::PaVoltageLimit, col::SetFirst, flag::PaVoltageLimit, true,
     kVersionLimitSets},
    {134, record::kPointCount, row::TxPowerThird, col::SetFirst, flag::TxPowerThird, true, kMinVersion},
});

/// One entry with its place in the record.
struct EntryPlace {
    int row = 0;
    int column = 0;
    int flag = kNoFlag;
    bool head = false;
    std::uint8_t minVersion = kMinVersion;
};

/// The runs spread out into one place per entry; index 0 is entry 1.
constexpr std::array<EntryPlace, kEntryCount> makeEntryPlaces() {
    std::array<EntryPlace, kEntryCount> places{};
    for (const EntryRun& run : kRuns) {
        for (int i = 0; i < run.count; ++i) {
            places[static_cast<std::size_t>(run.firstEntry - 1 + i)] =
                EntryPlace{run.row, run.firstColumn + i, run.flag, run.head && i == 0, run.minVersion};
        }
    }
    return places;
}

inline constexpr std::array<EntryPlace, kEntryCount> kEntryPlaces = makeEntryPlaces();

/// True when the runs follow each other without gap or overlap and cover entries 1..140.
constexpr bool runsAreContiguous() {
    int next = 1;
    for (const EntryRun& run : kRuns) {
        if (run.firstEntry != next)
            return false;
        next += run.count;
    }
    return next == kEntryCount + 1;
}
static_assert(runsAreContiguous(), "archive entry runs must cover entries 1..140 in order");

}  // namespace vantrel::archive
