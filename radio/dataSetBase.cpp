// What every softpot data set shares: the test spacing, channel selection and the seven-point read.
#include "radio/dataSetBase.h"

#include "link/EnhancedSBEP.h"
#include "radio/recordSupportNotes.h"

namespace vantrel {

namespace {
constexpr std::uint32_t kByteMask = 0xFF;
constexpr unsigned kByteBits = 8;
}  // namespace

std::int32_t dataSetBase::spacingFor(const radioStorage& record) {
    const std::int32_t option = record.getValue(row::Frequency, col::OptionByte);
    if (option & spacing::kBit25)
        return spacing::k25;
    if (option & spacing::kBit20)
        return spacing::k20;  // bits 0 and 1 read 2 or 3
    return spacing::k12_5;
}

void dataSetBase::deriveSpacing(const radioStorage& record) {
    m_spacing = spacingFor(record);
}

void dataSetBase::selectChannelPair(std::uint16_t txChannel, std::uint16_t rxChannel, EnhancedSBEP& link) {
    link.setChannelPair(txChannel, kChannelMode, rxChannel, kChannelMode);
}

void dataSetBase::selectChannel(std::uint16_t rxChannel, EnhancedSBEP& link) {
    link.setChannel(rxChannel, kChannelMode);
}

void dataSetBase::sendTestMode(EnhancedSBEP& link, std::uint8_t mode, std::uint8_t argument,
                               std::int32_t spacingCode) {
    link.setTestMode(mode, argument, static_cast<std::uint8_t>(spacingCode));
}

void dataSetBase::selectPoint(PointSide side, int n, const radioStorage& record, EnhancedSBEP& link) {
    const bool receive = side == PointSide::Receive;
    const std::uint16_t own = RF_Frequency::channelAt(record, receive, n);
    switch (side) {
        case PointSide::Transmit:
            selectChannelPair(own, m_frequency.channelFor(record, true, n), link);
            break;
        case PointSide::Receive:
            selectChannelPair(m_frequency.channelFor(record, false, n), own, link);
            break;
        case PointSide::TransmitBoth:
            selectChannelPair(own, own, link);
            break;
    }
}

unsigned dataSetBase::readSingle(std::uint8_t softpotType, int flag, int row, int column,
                                 radioStorage& record, EnhancedSBEP& link) {
    m_readBuffer = 0;
    recordSupportNotes notes(record);
    m_width = link.readSoftpotNoted(softpotType, m_readBuffer, notes, flag);
    if (m_width != 0 && record.isSupported(flag))
        record.setValue(row, column, static_cast<std::int32_t>(m_readBuffer));
    return m_width;
}

void dataSetBase::readSevenPoints(const SevenPointShape& shape, radioStorage& record, EnhancedSBEP& link) {
    const int count = shape.kmPairs ? col::KmCount : record::kPointCount;
    recordSupportNotes notes(record);
    link.readSoftpotTable(shape.softpot, notes, flag::MultiValueRead, static_cast<unsigned>(count));
    if (record.isSupported(flag::MultiValueRead)) {
        for (int i = 0; i < count; ++i) {
            record.setValue(shape.row, shape.firstColumn + i,
                            link.softpotTableByte(sptable::FirstValue + static_cast<unsigned>(i)));
        }
        record.markSupported(shape.flag);
        return;
    }

    // This radio's answers decide the gate: a flag left clear by an earlier radio or archive (or the
    // record's start value) must not stop the read of a radio whose F1 is not in use.
    record.markSupported(shape.flag);
    const bool receive = shape.side == PointSide::Receive;
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channels[static_cast<size_t>(n - 1)] = RF_Frequency::channelAt(record, receive, n);
        if (m_channels[static_cast<size_t>(n - 1)] != 0) {
            selectPoint(shape.side, n, record, link);
            m_readBuffer = 0;
            m_width = link.readSoftpotNoted(shape.softpot, m_readBuffer, notes, shape.flag);
            if (m_width != 0 && record.isSupported(shape.flag)) {
                if (shape.kmPairs) {
                    const int k = shape.firstColumn + 2 * (n - 1);
                    record.setValue(shape.row, k,
                                    static_cast<std::int32_t>((m_readBuffer >> kByteBits) & kByteMask));
                    record.setValue(shape.row, k + 1, static_cast<std::int32_t>(m_readBuffer & kByteMask));
                } else {
                    record.setValue(shape.row, shape.firstColumn + n - 1,
                                    static_cast<std::int32_t>(m_readBuffer));
                }
            }
        }
        // The flag is looked at after point 1 even when F1 is not used.
        if (shape.gated && n == 1 && !record.isSupported(shape.flag))
            return;
    }
}

}  // namespace vantrel
