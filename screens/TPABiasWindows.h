// The PA bias screens: one row per bias softpot (and the PA voltage), toggles that zero the set first.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/paBiasPiece.h"
#include "radio/txDataSets.h"
#include "screens/TTuningScreen.h"

class QCheckBox;

namespace vantrel {

/// What sets one PA bias screen apart from the others.
struct paBiasVariant {
    paBiasPower power = paBiasPower::High;
    /// After the supply screening found too much current: no test mode at opening (dekey and reset), and
    /// the supply note at closing.
    bool defaultVariant = false;
};

/// The shared PA bias screen. Its rows are softpots: "Voltage" (softpot 6, only written live, exists
/// with flag 28), "Bias 1" (18, flag 8, or 9 at low power), "Bias 2" (20, flag 17) and "Bias 3" (27,
/// flag 18), in record row 8 at the high or low power columns. Each row has a toggle: turning it on
/// zeroes the set the screen's power gives (live), then frees the row's box and up-down for tuning and
/// locks the other toggles until it is turned off again. Every value change is written live at once.
/// Program validates and programs every bias row the radio has, in order, storing each in the record.
class TPABiasWindow : public TTuningScreen {
    Q_OBJECT
  public:
    enum class biasRow { Voltage, Bias1, Bias2, Bias3 };

    static constexpr std::int64_t kMobileTestHz = paBiasPiece::kMobileTestHz;
    static constexpr std::int64_t kQrTestHz = paBiasPiece::kQrTestHz;
    static constexpr std::int64_t kKTestHz = paBiasPiece::kKTestHz;
    static constexpr std::uint32_t kFullPower = paBiasPiece::kFullPower;
    static constexpr const char* kSupplyBackText = paBiasPiece::kSupplyBackText;

    /// The rows the record's radio has, the ranges and the texts of a screen tuning `power`.
    static tuningProcedure describe(const radioStorage& record, paBiasPower power);

    /// The screen row of a softpot row, -1 when the radio does not have it.
    int rowOf(biasRow kind) const;
    biasRow kindOf(int row) const;
    QCheckBox* toggle(int row) const { return m_toggles[size_t(row)]; }
    /// Whether the row's toggle is on (its box and up-down are free).
    bool rowEnabled(int row) const { return m_enabled[size_t(row)]; }
    /// The toggle of a row was pressed.
    void toggleRow(int row);

  protected:
    TPABiasWindow(const screenEnvironment& environment, paBiasVariant variant,
                  std::unique_ptr<paBiasData> data);

    template <class Data>
    Data& dataAs() {
        return static_cast<Data&>(*m_data);
    }

    /// The default variants dekey and reset; the others put the radio into the data set's test mode.
    void setupRadio(EnhancedSBEP& link) override;
    void fillDisplay() override;
    void keyStateChanged() override;
    void connectionClosed() override;
    void afterClosing() override;
    std::string linkErrorText() const override;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    bool validate(int row, const QString& text, int value) override;
    ProgramOutcome programPoint(int row, int value, EnhancedSBEP& link) override;
    void afterProgram(EnhancedSBEP& link) override;
    /// The bias is watched while the transmitter stays as it is: Program does not dekey.
    bool programDekeys() const override { return false; }

    /// The test channel of frequency `hz` for this radio; refuses the radio (the screen does not open)
    /// and answers nothing when the radio's frequency base cannot reach it.
    std::optional<std::uint16_t> testChannel(std::int64_t hz);
    /// Selects a test channel found by testChannel() and remembers its frequency for the status box.
    void selectTestChannel(std::uint16_t channel, EnhancedSBEP& link);
    /// Writes a bias softpot live as 0 when the radio has it.
    void zeroLive(biasRow kind, EnhancedSBEP& link);
    /// Writes the transmit power softpot live at full power.
    void sendFullPower(EnhancedSBEP& link);

  private:
    /// The softpots a toggle turning on zeroes (only those the radio has), in order.
    std::vector<biasRow> zeroingSet(int row) const;
    void setRowEnabled(int row, bool enabled);
    /// " (Bias 1 and Bias 2 were programmed before the stop.)" while Program has programmed rows.
    std::string programmedNote() const;

    paBiasVariant m_variant;
    std::unique_ptr<paBiasData> m_data;
    std::vector<QCheckBox*> m_toggles;
    std::vector<bool> m_enabled;
    std::vector<std::string> m_programmed;  ///< rows the running Program has written
    double m_testMhz = 0.0;                 ///< test frequency the opening selected, 0 for none
};

/// PA bias at high power. On high-power mobiles the radio is keyed at full power for the whole session;
/// those with variantN at character 8 are first put into test mode on the test channel.
class TPABiasHighVoltageWindow : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasHighVoltageWindow(const screenEnvironment& environment);

  protected:
    void setupRadio(EnhancedSBEP& link) override;
};

/// PA bias at low power: test mode (9, 2, spacing); each bias toggle zeroes only its own softpot.
class TPABiasLowVoltageWindow : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasLowVoltageWindow(const screenEnvironment& environment);
};

/// PA bias at high power after the supply screening found more than 100 mA at 6 V.
class TPABiasHighVoltageWindowDefault : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasHighVoltageWindowDefault(const screenEnvironment& environment);
};

/// PA bias at low power after the supply screening found more than 100 mA at 6 V.
class TPABiasLowVoltageWindowDefault : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasLowVoltageWindowDefault(const screenEnvironment& environment);
};

/// PA bias in receive mode on the variant F and K high-power mobiles (high power columns); other radios
/// get no set-up at all.
class TPABiasRxModeWindow : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasRxModeWindow(const screenEnvironment& environment);

  protected:
    void setupRadio(EnhancedSBEP& link) override;
};

}  // namespace vantrel
