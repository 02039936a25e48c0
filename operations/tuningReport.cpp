// Report text: header, receive blocks, transmit blocks, battery block, each laid out tab by tab.
#include "operations/tuningReport.h"

#include <charconv>
#include <cmath>
#include <string>

#include "link/writeFileAtomically.h"
#include "operations/ArchiveLayout.h"
#include "operations/recordCompare.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

// Separators between the columns of the report lines.
constexpr const char* kTitlePrefix = "\t \t\t";
constexpr const char* kValueGap = "\t \t    ";
constexpr const char* kColumnGap = "\t \t";
constexpr const char* kNull = "NULL";

// Mobile K and M power estimate: watts from the DAC setting, M and K.
constexpr float kPowerSlope = 0.0004f;
constexpr float kHighMobileKFactor = 0.16f;
constexpr float kOtherMobileKFactor = 0.04f;
constexpr float kOtherMobileKOffset = 128.0f;

// Battery threshold target voltage is stored in tenths of a volt.
constexpr double kVoltsPerStep = 0.1;
constexpr int kBatteryGapBlanks = 19;
constexpr int kBatteryTrailingLines = 36;
constexpr int kBatteryUnsupportedLines = 50;

// "%.Nf" regardless of the process locale.
std::string fixed(double v, int precision) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return std::string(buf, r.ptr);
}

std::string notRequired(int point) {
    return "  (F" + std::to_string(point) + " NOT REQUIRED)";
}

}  // namespace

tuningReport::tuningReport(const radioStorage& record) : m_record(record) {}

void tuningReport::showBefore(const radioStorage& before, std::string label) {
    m_before = &before;
    m_beforeLabel = std::move(label);
}

bool tuningReport::beforeHolds(int row, int column) const {
    for (const ComparedValues& values : recordCompare::comparedValues()) {
        if (values.row != row || column < values.firstColumn)
            continue;
        const int offset = column - values.firstColumn;
        if (offset % values.stride == 0 && offset / values.stride < values.count)
            return values.flag == archive::kNoFlag || m_before->isSupported(values.flag);
    }
    return true;
}

std::string tuningReport::beforeTitle(const char* gap, const char* title) const {
    return m_before ? std::string(gap) + title : std::string();
}

std::string tuningReport::beforeValue(const char* gap, int row, int column) const {
    if (!m_before)
        return {};
    std::string out = gap;
    if (!beforeHolds(row, column))
        return out + std::string(kNotHeld) + std::string(kChangedMark);
    const std::int32_t before = m_before->getValue(row, column);
    out += std::to_string(before);
    if (before != value(row, column))
        out += kChangedMark;
    return out;
}

void tuningReport::beforeHead() {
    if (!m_before)
        return;
    const auto trimmed = [](std::string text) {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    };
    m_out += "Before: " + m_beforeLabel + "  (Radio Serial No: " + trimmed(m_before->getSerialNo()) +
             "  Radio Model No: " + trimmed(m_before->getModelNo()) + ")\n";
    m_out += "After : this record\n";
    m_out += "The \"Before\" column holds the earlier value;" + std::string(kChangedMark) +
             " marks a value that differs.\n";
    int valuesDiffering = 0;
    std::vector<std::string> others;
    for (const RecordDifference& d : recordCompare::differences(*m_before, m_record)) {
        switch (d.kind) {
            case RecordDifference::Kind::Value:
                ++valuesDiffering;
                break;
            case RecordDifference::Kind::OnlyInA:
                others.push_back(d.subject + ": only before");
                break;
            case RecordDifference::Kind::OnlyInB:
                others.push_back(d.subject + ": only after");
                break;
            default:
                others.push_back(d.line());
                break;
        }
    }
    m_out += valuesDiffering == 0   ? std::string("No value differs.\n")
             : valuesDiffering == 1 ? std::string("1 value differs.\n")
                                    : std::to_string(valuesDiffering) + " values differ.\n";
    for (const std::string& line : others) m_out += "  " + line + "\n";
    m_out += "\n\n";
}

bool tuningReport::supported(int flagIndex) const {
    return m_record.isSupported(flagIndex);
}

std::int32_t tuningReport::value(int row, int column) const {
    return m_record.getValue(row, column);
}

std::uint32_t tuningReport::channelAt(Side side, int point) const {
    const int first = side == Side::Transmit ? col::TxPointFirst : col::RxPointFirst;
    return static_cast<std::uint32_t>(value(row::Frequency, first + point - 1));
}

double tuningReport::frequencyOf(std::uint32_t channel) {
    return m_frequency.pointFrequency(m_base, channel);
}

void tuningReport::titleLine(const char* title) {
    m_out += kTitlePrefix;
    m_out += title;
}

void tuningReport::rangeLines(const char* range) {
    m_out += "\n";
    m_out += "Softpot Range\t\t: ";
    m_out += range;
    m_out += "\n";
    m_out += "\n";
}

void tuningReport::header() {
    m_out += "\n\n";
    m_out += "\t   \t\t**********    R A D I O   S O F T P O T   D A T A  **********\n";
    m_out += "\n\n";
    m_out += "Radio Serial No: ";
    m_out += m_record.getSerialNo();
    m_out += "  \t\t \t         ";
    m_out += "Radio Model No: ";
    m_out += m_record.getModelNo();
    m_out += "\n\n";
}

void tuningReport::table(bool condition, const TableBlock& block) {
    if (!condition) {
        if (block.unsupportedTitle != nullptr) {
            titleLine(block.unsupportedTitle);
            m_out += "\n";
        }
        return;
    }
    titleLine(block.title);
    rangeLines(block.range);
    m_out += "Frequency(MHz)";
    m_out += kColumnGap;
    m_out += "Softpot Values" + beforeTitle("\t") + "\n";
    for (int k = 1; k <= record::kPointCount; ++k) {
        const std::uint32_t channel = channelAt(block.side, k);
        if (channel != 0) {
            m_out += "  " + fixed(frequencyOf(channel), 6);
            m_out += kValueGap;
            m_out += std::to_string(value(block.row, block.firstColumn + k - 1));
            m_out += beforeValue("\t\t", block.row, block.firstColumn + k - 1);
        } else if (k == 1 && block.firstMissing != nullptr) {
            m_out += block.firstMissing;
            m_out += kNull;
        } else {
            m_out += notRequired(k) + "\t    ";
            m_out += kNull;
        }
        m_out += "\n";
    }
    m_out += "\n\n";
}

void tuningReport::single(bool condition, const char* title, const char* unsupportedTitle, const char* range,
                          std::uint32_t channel, int row, int column) {
    if (!condition) {
        if (unsupportedTitle != nullptr) {
            titleLine(unsupportedTitle);
            m_out += "\n";
        }
        return;
    }
    titleLine(title);
    rangeLines(range);
    m_out += "Frequency(MHz)";
    m_out += kColumnGap;
    m_out += "Softpot Values" + beforeTitle("\t") + "\n";
    // The chosen point's frequency is printed even when its channel is 0 (the base frequency).
    m_out += "  " + fixed(frequencyOf(channel), 6);
    m_out += kValueGap;
    m_out += std::to_string(value(row, column));
    m_out += beforeValue("\t\t", row, column);
    m_out += "\n\n\n";
}

void tuningReport::rssi() {
    if (!supported(flag::Rssi)) {
        titleLine("*********** RSSI UNSUPPORTED **********\n");
        m_out += "\n\n\n";
        return;
    }
    titleLine("*********** RSSI THRESHOLDS **********\n");
    m_out += "\n";
    m_out += "Softpot Range\t\t: 0-127\n";
    m_out += "\n";
    m_out += "dBM Range(-)\t\t: 0-210\n";
    m_out += "\n\n";
    m_out += "dBM (-)\t\t\tSoftpot Values" + beforeTitle("\t", "Before (dBM, Value)") + "\n";
    for (int i = 0; i < 3; ++i) {
        m_out += "  " + std::to_string(value(row::Rssi, col::RssiCalDacFirst + i));
        m_out += "\t\t\t    ";
        m_out += std::to_string(value(row::Rssi, col::RssiFirst + i));
        m_out += beforeValue("\t\t", row::Rssi, col::RssiCalDacFirst + i);
        m_out += beforeValue(", ", row::Rssi, col::RssiFirst + i);
        m_out += "\n";
    }
    m_out += "\n\n";
}

void tuningReport::dacAndKm() {
    const bool mobile = m_record.hasMobileProcedures();
    const bool highMobile = radiomodel().isHighMobile(m_record);
    const std::int32_t dac1 = value(row::MobilePower, col::LowBandTxDacFirst);
    const std::int32_t dac2 = value(row::MobilePower, col::LowBandTxDacSecond);

    if ((mobile && value(row::MobilePower, col::LowBandFlag) == 1) || highMobile) {
        titleLine("**** DAC SOFTPOTS ****\n");
        m_out += "\n";
        m_out += "Softpot Range\t\t: 0-255\n";
        m_out += "\n";
        m_out += "DAC No.\t \t\tSoftpot Values" + beforeTitle("\t") + "\n";
        m_out += " DAC 1\t \t\t    " + std::to_string(dac1) +
                 beforeValue("\t\t", row::MobilePower, col::LowBandTxDacFirst) + "\n";
        m_out += " DAC 2\t \t\t    " + std::to_string(dac2) +
                 beforeValue("\t\t", row::MobilePower, col::LowBandTxDacSecond) + "\n";
        m_out += "\n\n";
    } else {
        titleLine("**** DAC SOFTPOTS (UNSUPPORTED) ****\n");
        m_out += "\n";
    }

    if (!mobile) {
        titleLine("**** MOBILE K & M SOFTPOTS (UNSUPPORTED) ****\n");
        m_out += "\n";
        return;
    }
    titleLine("**** MOBILE K & M SOFTPOTS ****\n");
    m_out += "\n";
    m_out += "Frequency(MHz)\t \tK(Values)\t \tM(Values)\t \tP1(W) \t \tP2(W) " +
             beforeTitle("\t", "Before (K, M)") + "\n";
    for (int k = 1; k <= record::kPointCount; ++k) {
        const std::uint32_t channel = channelAt(Side::Transmit, k);
        if (channel == 0) {
            m_out += notRequired(k) + "\t";
            for (int i = 0; i < 4; ++i) m_out += "NULL\t\t";
            m_out += "\n";
            continue;
        }
        const auto kValue = static_cast<float>(value(row::MobilePower, col::KmFirst + 2 * (k - 1)));
        const auto mValue = static_cast<float>(value(row::MobilePower, col::KmFirst + 2 * (k - 1) + 1));
        const float kEffective = highMobile ? kValue : kValue - kOtherMobileKOffset;
        const float kFactor = highMobile ? kHighMobileKFactor : kOtherMobileKFactor;
        const float base = kPowerSlope * mValue * static_cast<float>(dac1) + kFactor * kEffective;
        const float p1 = base * base;
        const float step = kPowerSlope * mValue * static_cast<float>(dac1 - dac2);
        const float root = highMobile ? std::sqrt(p1) + step : std::sqrt(p1) - step;
        const float p2 = root * root;

        m_out += "  " + fixed(frequencyOf(channel), 6);
        m_out += kColumnGap + fixed(kValue, 0);
        m_out += kColumnGap + fixed(mValue, 0);
        m_out += kColumnGap + fixed(p1, 3);
        m_out += kColumnGap + fixed(p2, 3);
        m_out += beforeValue("\t\t", row::MobilePower, col::KmFirst + 2 * (k - 1));
        m_out += beforeValue(", ", row::MobilePower, col::KmFirst + 2 * (k - 1) + 1);
        m_out += "\n";
    }
    m_out += "\n\n";
}

void tuningReport::paBias() {
    titleLine("**** PA BIAS ****\n");
    m_out += "\n";
    m_out += "Softpot Range\t\t: 0-127\n";
    m_out += "\n";
    m_out += "Power Level\t \tSoftpot Values" + beforeTitle("\t") + "\n";
    auto line = [&](int flagIndex, const char* label, int column, const char* unsupported) {
        m_out += supported(flagIndex) ? label + std::to_string(value(row::PaBias, column)) +
                                            beforeValue("\t\t", row::PaBias, column)
                                      : unsupported;
        m_out += "\n";
    };
    line(flag::PaBiasFirstHigh, "High\t \t    \t   ", col::PaBiasFirstHigh, "High (Unsupported)");
    line(flag::PaBiasSecond, "Bias 2(High)\t \t   ", col::PaBiasSecondHigh, "Bias 2(Unsupported)");
    line(flag::PaBiasThird, "Bias 3(High)\t \t   ", col::PaBiasThirdHigh, "Bias 3(Unsupported)");
    line(flag::PaBiasFirstLow, "Low\t \t                   ", col::PaBiasFirstLow, "Low (Unsupported)");
    m_out += "\n\n";
}

void tuningReport::battery() {
    const std::string prefix = "\t \t" + std::string(kBatteryGapBlanks, ' ');
    if (!m_record.hasMobileProcedures()) {
        m_out += prefix + "**** BATTERY THRESHOLD UNSUPPORTED ****\n";
        m_out += std::string(kBatteryUnsupportedLines, '\n');
        return;
    }
    m_out += prefix + "**** BATTERY THRESHOLD ****\n";
    m_out += "\n";
    m_out += "Target Voltage(V)\t \tDefault Value" + beforeTitle("\t\t", "Before (V, Value)") + "\n";
    m_out += fixed(value(row::Parameters, col::ParameterByte) * kVoltsPerStep, 2);
    m_out += "\t \t" + std::string(kBatteryGapBlanks, ' ');
    m_out += std::to_string(value(row::Parameters, col::BatteryThreshold));
    if (m_before) {
        // The voltage is stored as a byte in tenths of a volt: the earlier byte shown the same way.
        const std::int32_t byte = m_before->getValue(row::Parameters, col::ParameterByte);
        m_out += "\t" + (beforeHolds(row::Parameters, col::ParameterByte) ? fixed(byte * kVoltsPerStep, 2)
                                                                          : std::string(kNotHeld));
        if (!beforeHolds(row::Parameters, col::ParameterByte) ||
            byte != value(row::Parameters, col::ParameterByte))
            m_out += kChangedMark;
        m_out += beforeValue(", ", row::Parameters, col::BatteryThreshold);
    }
    m_out += "\n";
    m_out += "\n";
    m_out += std::string(kBatteryTrailingLines, '\n');
}

std::string tuningReport::text() {
    m_out.clear();
    m_base = static_cast<std::uint32_t>(value(row::Frequency, col::FrequencyBase));
    const bool mobile = m_record.hasMobileProcedures();
    const bool squelch = supported(flag::AutoSquelch);
    RF_Frequency& points = m_frequency;

    header();
    beforeHead();

    m_out += "\t\t\t\tR E C E I V E   P A R A M E T E R S\t\t\t\t\n\n";
    table(supported(flag::FrontEndFilter),
          {"**** FRONT END FILTER ****\n", "**** FRONT END FILTER UNSUPPORTED ****\n",
           mobile ? "0-127" : "0-255", Side::Receive, row::FrontEndFilter, col::SetFirst,
           "  (F1 NOT REQUIRED) \t    "});
    table(squelch, {"**** AUTO SQUELCH 12.5KHz ****\n", "**** AUTO SQUELCH UNSUPPORTED ****\n", "1-63",
                    Side::Receive, row::AutoSquelch, col::Spacing12k5});
    table(squelch, {"**** AUTO SQUELCH 20KHz ****\n", nullptr, "1-63", Side::Receive, row::AutoSquelch,
                    col::Spacing20k});
    table(squelch, {"**** AUTO SQUELCH 25KHz ****\n", nullptr, "1-63", Side::Receive, row::AutoSquelch,
                    col::Spacing25k});
    single(supported(flag::RatedVolume), "**** RATED VOLUME  ****\n", "**** RATED VOLUME UNSUPPORTED ****\n",
           "0-255", points.middleRxChannel(m_record), row::RatedVolume, col::RatedVolume);
    rssi();

    m_out += "\t\t\t\tT R A N S M I T    P A R A M E T E R S \t\t\t\n\n";
    single(supported(flag::RefOscWarp), "**** REFERENCE OSCILLATOR WARP ****\n",
           "**** REFERENCE OSCILLATOR WARP UNSUPPORTED ****\n", "0-511", points.highestTxChannel(m_record),
           row::RefOscWarp, col::Single);
    const bool portablePower = supported(flag::TxPower) && !mobile;
    table(portablePower,
          {"**** TRANSMIT HIGH POWER ****\n", "**** TRANSMIT POWER (PORTABLE) UNSUPPORTED ****\n", "0-127",
           Side::Transmit, row::TxPower, col::TxPowerHigh});
    table(portablePower, {"**** TRANSMIT LOW POWER ****\n", nullptr, "0-127", Side::Transmit, row::TxPower,
                          col::TxPowerLow});
    dacAndKm();
    table(supported(flag::ModAttenuation),
          {"**** MODULATION BALANCE ****\n", "**** MODULATION BALANCE UNSUPPORTED ****\n", "0-63",
           Side::Transmit, row::ModAttenuation, col::SetThird});
    single(true, "**** VCO ATTENUATION 12.5 KHz ****\n", nullptr, "0-127", points.highestTxChannel(m_record),
           row::VcoAttenuation, col::Spacing12k5 + record::kPointCount - 1);
    single(true, "**** VCO ATTENUATION 20 KHz ****\n", nullptr, "0-127", points.highestTxChannel(m_record),
           row::VcoAttenuation, col::Spacing20k + record::kPointCount - 1);
    table(supported(flag::VcoAttenuation),
          {"**** VCO ATTENUATION 25 KHz ****\n", "**** VCO ATTENUATION 25 KHz UNSUPPORTED ****\n", "0-127",
           Side::Transmit, row::VcoAttenuation, col::Spacing25k});
    single(supported(flag::DtmfDeviation), "**** DTMF SIGNALLING ****\n",
           "**** DTMF SIGNALLING UNSUPPORTED ****\n", "0-31", points.lowestTxChannel(m_record),
           row::DtmfDeviation, col::Single);
    single(supported(flag::Qdt1200Deviation), "**** QDT1200 SIGNALLING ****\n",
           "**** QDT1200 SIGNALLING UNSUPPORTED ****\n", "0-31", points.middleTxChannel(m_record),
           row::Qdt1200Deviation, col::Single);
    paBias();
    table(supported(flag::PaVoltageLimit) && mobile,
          {"**** TRANSMIT PA VOLTAGE LIMIT ****\n", "**** TRANSMIT PA VOLTAGE LIMIT UNSUPPORTED ****\n",
           "0-127", Side::Transmit, row::PaVoltageLimit, col::SetFirst});
    single(supported(flag::Select5Deviation), "**** SELECT 5 ****\n", "**** SELECT 5 UNSUPPORTED ****\n",
           "0-31", points.highestTxChannel(m_record), row::Select5Deviation, col::Single);
    single(supported(flag::Mpt1327Deviation), "**** MPT 1327 SIGNALLING ****\n",
           "**** MPT 1327 UNSUPPORTED ****\n", "0-31", points.middleTxChannel(m_record),
           row::Mpt1327Deviation, col::Single);
    single(supported(flag::HssDeviation), "**** HIGH SPEED TRUNKING SIGNALLING ****\n",
           "**** HIGH SPEED TRUNKING SIGNALLING UNSUPPORTED ****\n", "0-31",
           points.highestTxChannel(m_record), row::HssDeviation, col::Single);
    battery();
    return m_out;
}

FileWriteResult tuningReport::write(const std::string& path) {
    return writeFileAtomically(path, text());
}

}  // namespace vantrel
