// Frequency point choice and channel-to-frequency conversion.
#include "radio/RF_Frequency.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kBaseStepKhz = 25;
constexpr std::uint32_t kChannelStepKhz = 5;
constexpr double kMhzPerKhz = 0.001;

int firstColumn(bool receiveSide) {
    return receiveSide ? col::RxPointFirst : col::TxPointFirst;
}

}  // namespace

std::uint16_t RF_Frequency::channelAt(const radioStorage& record, bool receiveSide, int pointNumber) {
    if (pointNumber < 1 || pointNumber > record::kPointCount)
        return 0;
    return static_cast<std::uint16_t>(
        record.getValue(row::Frequency, firstColumn(receiveSide) + pointNumber - 1));
}

void RF_Frequency::scan(const radioStorage& record, bool receiveSide) {
    m_record = &record;
    for (int n = 1; n <= record::kPointCount; ++n) m_points[n - 1] = channelAt(record, receiveSide, n);
}

int RF_Frequency::lowestPoint(const radioStorage& record, bool receiveSide) {
    scan(record, receiveSide);
    for (int n = 1; n <= record::kPointCount; ++n) {
        if (m_points[n - 1] != 0)
            return n;
    }
    return 0;
}

int RF_Frequency::highestPoint(const radioStorage& record, bool receiveSide) {
    scan(record, receiveSide);
    for (int n = record::kPointCount; n >= 1; --n) {
        if (m_points[n - 1] != 0)
            return n;
    }
    return 0;
}

int RF_Frequency::middlePoint(const radioStorage& record, bool receiveSide) {
    const int low = lowestPoint(record, receiveSide);
    const int high = highestPoint(record, receiveSide);
    return low + (high - low) / 2;
}

std::uint16_t RF_Frequency::channelOrZero(const radioStorage& record, bool receiveSide, int pointNumber) {
    m_record = &record;
    return pointNumber == 0 ? 0 : channelAt(record, receiveSide, pointNumber);
}

int RF_Frequency::lowestTxPoint(const radioStorage& record) {
    return lowestPoint(record, false);
}
int RF_Frequency::highestTxPoint(const radioStorage& record) {
    return highestPoint(record, false);
}
int RF_Frequency::middleTxPoint(const radioStorage& record) {
    return middlePoint(record, false);
}
int RF_Frequency::lowestRxPoint(const radioStorage& record) {
    return lowestPoint(record, true);
}
int RF_Frequency::highestRxPoint(const radioStorage& record) {
    return highestPoint(record, true);
}
int RF_Frequency::middleRxPoint(const radioStorage& record) {
    return middlePoint(record, true);
}

std::uint16_t RF_Frequency::lowestTxChannel(const radioStorage& record) {
    return channelOrZero(record, false, lowestTxPoint(record));
}
std::uint16_t RF_Frequency::highestTxChannel(const radioStorage& record) {
    return channelOrZero(record, false, highestTxPoint(record));
}
std::uint16_t RF_Frequency::middleTxChannel(const radioStorage& record) {
    return channelOrZero(record, false, middleTxPoint(record));
}
std::uint16_t RF_Frequency::lowestRxChannel(const radioStorage& record) {
    return channelOrZero(record, true, lowestRxPoint(record));
}
std::uint16_t RF_Frequency::highestRxChannel(const radioStorage& record) {
    return channelOrZero(record, true, highestRxPoint(record));
}
std::uint16_t RF_Frequency::middleRxChannel(const radioStorage& record) {
    return channelOrZero(record, true, middleRxPoint(record));
}

double RF_Frequency::pointFrequency(std::uint32_t base, std::uint32_t channel) {
    m_lastFrequencyKhz = base * kBaseStepKhz + channel * kChannelStepKhz;
    return m_lastFrequencyKhz * kMhzPerKhz;
}

int RF_Frequency::firstPointNumber(const radioStorage& record, bool receiveSide) {
    return lowestPoint(record, receiveSide);
}

std::uint16_t RF_Frequency::channelFor(const radioStorage& record, bool receiveSide, int pointNumber) {
    m_record = &record;
    if (pointNumber < 1 || pointNumber > record::kPointCount)
        return 0;
    const std::uint16_t own = channelAt(record, receiveSide, pointNumber);
    if (own != 0)
        return own;
    return channelOrZero(record, receiveSide, firstPointNumber(record, receiveSide));
}

bool RF_Frequency::isLowBandKhz(std::uint32_t khz) {
    return khz > kLowBandLowerKhz && khz < kLowBandUpperKhz;
}

}  // namespace vantrel
