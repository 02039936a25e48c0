// The transmit DAC screen.
#include "screens/TTransmitDACWindow.h"

#include "link/EnhancedSBEP.h"
#include "radio/RF_Frequency.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

/// The DAC data set at high power: test mode (1, 0, spacing) and (129, 0, spacing), power softpot 0 live.
class transmitDacDataSet : public tuningDataSet {
  public:
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(selector::High, link, false, true);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    /// The screen has no Program: nothing to write.
    void program(std::uint32_t, EnhancedSBEP&) override {}
    void releaseVoltageLimit(EnhancedSBEP& link) { m_data.releaseVoltageLimit(link); }

  private:
    txTransmitDACData m_data;
};

std::unique_ptr<tuningDataSet> makeDacDataSet(const tuningProcedure&) {
    return std::make_unique<transmitDacDataSet>();
}

tuningRow dacRow(const char* label, int column) {
    tuningRow r;
    r.label = label;
    r.recordRow = row::MobilePower;
    r.recordColumn = column;
    r.softpot = softpot::TxPower;
    r.minimum = 0;
    r.maximum = 255;
    return r;
}

}  // namespace

tuningProcedure TTransmitDACWindow::describe() {
    tuningProcedure p;
    p.makeDataSet = &makeDacDataSet;
    p.selector = selector::High;
    p.softpot = softpot::TxPower;
    p.row = row::MobilePower;
    p.firstColumn = col::LowBandTxDacFirst;
    p.capabilities = {true, false, true, false};
    p.minimum = 0;
    p.maximum = 255;
    p.layout.window = QSize(700, 210);
    p.layout.buttonY = 100;
    p.layout.status = QRect(20, 140, 600, 30);
    p.layout.noteY = 180;
    p.layout.firstHeader = "DAC No.";
    p.point = singlePoint::Highest;
    p.rows = {dacRow("DAC 1", col::LowBandTxDacFirst), dacRow("DAC 2", col::LowBandTxDacSecond)};
    p.note = "Note : Valid Softpot values will range from 0-255";
    return p;
}

TTransmitDACWindow::TTransmitDACWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

bool TTransmitDACWindow::unacceptable(std::uint32_t dac1, std::uint32_t dac2) {
    const auto outside = [](std::uint32_t v) { return v < kDacLowest || v > kDacHighest; };
    return (outside(dac1) || outside(dac2)) && dac2 < dac1;
}

void TTransmitDACWindow::setupRadio(EnhancedSBEP& link) {
    dataSet().setupTest(record(), link);
    selectChannels(0, link);
    // The K and M screen of a high series low-band mobile waits for this mark.
    record().setValue(row::TxDacMarker, col::TxDacMarker, 1);
}

void TTransmitDACWindow::selectChannels(int, EnhancedSBEP& link) {
    RF_Frequency frequency;
    const std::uint16_t tx = frequency.highestTxChannel(record());
    const std::uint16_t rx = frequency.highestRxChannel(record());
    if (tx != 0)
        link.setChannelPair(tx, kChannelMode, rx, kChannelMode);
}

void TTransmitDACWindow::writeLive(int row, int value, EnhancedSBEP& link) {
    // While dekeyed a value changes neither the radio nor the record.
    if (!keyed())
        return;
    TTuningScreen::writeLive(row, value, link);
    storeValue(row, value);
}

void TTransmitDACWindow::keyedUp(EnhancedSBEP& link) {
    // The PA voltage limit must not cap the power being set.
    static_cast<transmitDacDataSet&>(dataSet()).releaseVoltageLimit(link);
}

void TTransmitDACWindow::afterClosing() {
    // Shown once the transmitter is off: the message may stay on the screen for a long time.
    const auto dac1 = static_cast<std::uint32_t>(record().getValue(row::MobilePower, col::LowBandTxDacFirst));
    const auto dac2 =
        static_cast<std::uint32_t>(record().getValue(row::MobilePower, col::LowBandTxDacSecond));
    if (unacceptable(dac1, dac2))
        prompt().show(kDacWarningText, kDacWarningCaption, PromptIcon::Exclamation);
}

}  // namespace vantrel
