// Record comparison: one table of the archived values with their names, walked for both records.
#include "operations/recordCompare.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "operations/ArchiveLayout.h"
#include "operations/procedureCatalogue.h"
#include "radio/RF_Frequency.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

using Labels = ComparedValues::Labels;

constexpr int kNone = archive::kNoFlag;
constexpr int kPoints = record::kPointCount;
// The values of a procedure go by its window's title.
const char* const kRefOscWarp = catalogueTitle("ref-osc-warp");
const char* const kFrontEndFilter = catalogueTitle("rx-front-end-filter");
const char* const kBatteryThreshold = catalogueTitle("battery-threshold");

// Every archived value apart from the frequency points, in archive order.
const auto kValues = std::to_array<ComparedValues>({
    {kRefOscWarp, flag::RefOscWarp, row::RefOscWarp, col::Single, 1, 1, Labels::None},
    {catalogueTitle("tx-high-power"), flag::TxPower, row::TxPower, col::TxPowerHigh, kPoints, 1,
     Labels::Points},
    {catalogueTitle("tx-low-power"), flag::TxPower, row::TxPower, col::TxPowerLow, kPoints, 1,
     Labels::Points},
    {"Modulation Balance", flag::ModAttenuation, row::ModAttenuation, col::SetThird, kPoints, 1,
     Labels::Points},
    {"VCO Attenuation 25 kHz", flag::VcoAttenuation, row::VcoAttenuation, col::Spacing25k, kPoints, 1,
     Labels::Points},
    {"VCO Attenuation 20 kHz", flag::VcoAttenuation, row::VcoAttenuation, col::Spacing20k, kPoints, 1,
     Labels::Points},
    {"VCO Attenuation 12.5 kHz", flag::VcoAttenuation, row::VcoAttenuation, col::Spacing12k5, kPoints, 1,
     Labels::Points},
    {"DTMF Signalling", flag::DtmfDeviation, row::DtmfDeviation, col::Single, 1, 1, Labels::None},
    {"PA Bias High", flag::PaBiasFirstHigh, row::PaBias, col::PaBiasFirstHigh, 1, 1, Labels::None},
    {"PA Bias Low", flag::PaBiasFirstLow, row::PaBias, col::PaBiasFirstLow, 1, 1, Labels::None},
    {"QDT1200 Signalling", flag::Qdt1200Deviation, row::Qdt1200Deviation, col::Single, 1, 1, Labels::None},
    {kFrontEndFilter, flag::FrontEndFilter, row::FrontEndFilter, col::SetFirst, kPoints, 1, Labels::Points},
    {"Auto Squelch 25 kHz", flag::AutoSquelch, row::AutoSquelch, col::Spacing25k, kPoints, 1, Labels::Points},
    {"Auto Squelch 20 kHz", flag::AutoSquelch, row::AutoSquelch, col::Spacing20k, kPoints, 1, Labels::Points},
    {"Auto Squelch 12.5 kHz", flag::AutoSquelch, row::AutoSquelch, col::Spacing12k5, kPoints, 1,
     Labels::Points},
    {"Rated Volume", flag::RatedVolume, row::RatedVolume, col::RatedVolume, 1, 1, Labels::None},
    {"Rated Volume Brightline", flag::RatedVolume, row::RatedVolume, col::RatedVolumeBrightline, 1, 1,
     Labels::None},
    {"Temp Comp", kNone, row::Frequency, col::TempCompFirst, col::TempCompCount, 1, Labels::Numbers},
    {"Option Byte", kNone, row::Frequency, col::OptionByte, 1, 1, Labels::None},
    {"Select 5", flag::Select5Deviation, row::Select5Deviation, col::Single, 1, 1, Labels::None},
    {"MPT 1327 Signalling", flag::Mpt1327Deviation, row::Mpt1327Deviation, col::Single, 1, 1, Labels::None},
    {"RSSI Threshold", flag::Rssi, row::Rssi, col::RssiFirst, 3, 1, Labels::Numbers},
    {"RSSI Calibration DAC", flag::Rssi, row::Rssi, col::RssiCalDacFirst, 3, 1, Labels::Numbers},
    {"Transmit DAC", flag::MobileTxPower, row::MobilePower, col::LowBandTxDacFirst, 2, 1, Labels::Numbers},
    {"Mobile K", flag::MobileTxPower, row::MobilePower, col::KmFirst, kPoints, 2, Labels::Points},
    {"Mobile M", flag::MobileTxPower, row::MobilePower, col::KmFirst + 1, kPoints, 2, Labels::Points},
    {"PA Bias 2 High", flag::PaBiasSecond, row::PaBias, col::PaBiasSecondHigh, 1, 1, Labels::None},
    {"PA Bias 3 High", flag::PaBiasThird, row::PaBias, col::PaBiasThirdHigh, 1, 1, Labels::None},
    {kBatteryThreshold, flag::BatteryThreshold, row::Parameters, col::BatteryThreshold, 1, 1, Labels::None},
    {"Battery Parameter Byte", flag::BatteryThreshold, row::Parameters, col::ParameterByte, 1, 1,
     Labels::None},
    {"High Speed Trunking Signalling", flag::HssDeviation, row::HssDeviation, col::Single, 1, 1,
     Labels::None},
    {"Transmit PA Voltage Limit", flag::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst, kPoints, 1,
     Labels::Points},
    {"Transmit Third Power", flag::TxPowerThird, row::TxPowerThird, col::SetFirst, kPoints, 1,
     Labels::Points},
});

// The data sets an archive marks present or absent, by their support flags.
const auto kSets = std::to_array<ComparedSet>({
    {flag::RefOscWarp, kRefOscWarp},
    {flag::TxPower, "Transmit Power"},
    {flag::ModAttenuation, "Modulation Balance"},
    {flag::VcoAttenuation, catalogueTitle("vco-attn-25k")},
    {flag::DtmfDeviation, "DTMF Signalling"},
    {flag::PaBiasFirstHigh, "PA Bias High"},
    {flag::PaBiasFirstLow, "PA Bias Low"},
    {flag::Qdt1200Deviation, "QDT1200 Signalling"},
    {flag::FrontEndFilter, kFrontEndFilter},
    {flag::AutoSquelch, "Auto Squelch"},
    {flag::RatedVolume, "Rated Volume"},
    {flag::Select5Deviation, "Select 5"},
    {flag::Mpt1327Deviation, "MPT 1327 Signalling"},
    {flag::Rssi, "RSSI"},
    {flag::MobileTxPower, "Mobile K & M"},
    {flag::PaBiasSecond, "PA Bias 2"},
    {flag::PaBiasThird, "PA Bias 3"},
    {flag::BatteryThreshold, kBatteryThreshold},
    {flag::HssDeviation, "High Speed Trunking Signalling"},
    {flag::PaVoltageLimit, "Transmit PA Voltage Limit"},
    {flag::TxPowerThird, "Transmit Third Power"},
});

const char* setName(int flagIndex) {
    for (const ComparedSet& set : kSets)
        if (set.flag == flagIndex)
            return set.name;
    return "";
}

// A fixed-width identity text as shown: quoted, NUL fill and trailing blanks dropped, other
// unprintable bytes as \xHH.
std::string shownText(const std::string& bytes) {
    std::string text = bytes;
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
    std::string shown = "\"";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[u >> 4];
            shown += kHex[u & 0xF];
        }
    }
    return shown + "\"";
}

std::string procedureText(std::int32_t procedure) {
    const std::string number = std::to_string(procedure);
    if (procedure == procedureSet::Portable)
        return number + " (portable)";
    if (procedure == procedureSet::Mobile)
        return number + " (mobile)";
    return number;
}

std::string megahertz(double mhz) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, mhz, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr) + " MHz";
}

std::string pointText(const radioStorage& record, int column) {
    const auto channel = static_cast<std::uint32_t>(record.getValue(row::Frequency, column));
    if (channel == 0)
        return "not required";
    RF_Frequency frequency;
    return megahertz(frequency.pointFrequency(
        static_cast<std::uint32_t>(record.getValue(row::Frequency, col::FrequencyBase)), channel));
}

std::string itemLabel(const ComparedValues& values, int i) {
    switch (values.labels) {
        case Labels::None:
            return values.name;
        case Labels::Points:
            return std::string(values.name) + " F" + std::to_string(i + 1);
        case Labels::Numbers:
            return std::string(values.name) + " " + std::to_string(i + 1);
    }
    return values.name;
}

void addIdentity(std::vector<RecordDifference>& out, const char* subject, const std::string& a,
                 const std::string& b) {
    if (a != b)
        out.push_back({RecordDifference::Kind::Identity, subject, a, b});
}

}  // namespace

std::string RecordDifference::line() const {
    switch (kind) {
        case Kind::OnlyInA:
            return subject + ": only in A";
        case Kind::OnlyInB:
            return subject + ": only in B";
        default:
            return subject + ": " + a + " -> " + b;
    }
}

std::span<const ComparedValues> recordCompare::comparedValues() {
    return kValues;
}

std::span<const ComparedSet> recordCompare::comparedSets() {
    return kSets;
}

std::vector<RecordDifference> recordCompare::differences(const radioStorage& a, const radioStorage& b) {
    std::vector<RecordDifference> out;

    addIdentity(out, "Serial Number", shownText(a.serialNoBytes()), shownText(b.serialNoBytes()));
    // An archive carries its data version in the model number's last character, so that character is
    // not part of the model number a loaded record can be compared on.
    addIdentity(out, "Model Number", shownText(a.modelNoBytes().substr(0, archive::kVersionCharInModel)),
                shownText(b.modelNoBytes().substr(0, archive::kVersionCharInModel)));
    addIdentity(out, "Data Version", std::to_string(a.getDataVersion()), std::to_string(b.getDataVersion()));
    addIdentity(out, "Tuning Procedure", procedureText(a.getTuningProcedure()),
                procedureText(b.getTuningProcedure()));

    RF_Frequency frequency;
    const auto baseOf = [](const radioStorage& r) {
        return static_cast<std::uint32_t>(r.getValue(row::Frequency, col::FrequencyBase));
    };
    if (baseOf(a) != baseOf(b))
        out.push_back({RecordDifference::Kind::Point, "Base Frequency",
                       megahertz(frequency.pointFrequency(baseOf(a), 0)),
                       megahertz(frequency.pointFrequency(baseOf(b), 0)), row::Frequency,
                       col::FrequencyBase});
    for (const bool receive : {false, true}) {
        const int first = receive ? col::RxPointFirst : col::TxPointFirst;
        for (int i = 0; i < kPoints; ++i) {
            const std::string pa = pointText(a, first + i);
            const std::string pb = pointText(b, first + i);
            if (pa != pb)
                out.push_back({RecordDifference::Kind::Point,
                               std::string(receive ? "Receive" : "Transmit") + " F" + std::to_string(i + 1),
                               pa, pb, row::Frequency, first + i});
        }
    }

    int lastFlag = kNone;
    for (const ComparedValues& values : kValues) {
        if (values.flag != kNone) {
            const bool inA = a.isSupported(values.flag);
            const bool inB = b.isSupported(values.flag);
            if (values.flag != lastFlag && inA != inB)
                out.push_back({inA ? RecordDifference::Kind::OnlyInA : RecordDifference::Kind::OnlyInB,
                               setName(values.flag), "", "", -1, -1, values.flag});
            lastFlag = values.flag;
            if (!inA || !inB)
                continue;
        }
        for (int i = 0; i < values.count; ++i) {
            const int column = values.firstColumn + i * values.stride;
            const std::int32_t va = a.getValue(values.row, column);
            const std::int32_t vb = b.getValue(values.row, column);
            if (va != vb)
                out.push_back({RecordDifference::Kind::Value, itemLabel(values, i), std::to_string(va),
                               std::to_string(vb), values.row, column, values.flag});
        }
    }
    return out;
}

std::vector<std::string> recordCompare::lines(const radioStorage& a, const radioStorage& b) {
    std::vector<std::string> text;
    for (const RecordDifference& difference : differences(a, b)) text.push_back(difference.line());
    return text;
}

}  // namespace vantrel
