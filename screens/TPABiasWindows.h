// The PA bias views: one row per bias softpot (and the PA voltage), toggles that zero the set first.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "operations/paBiasPiece.h"
#include "screens/TTuningScreen.h"

class QCheckBox;

namespace vantrel {

/// The shared PA bias view. Its rows are the piece's softpot rows; each has a toggle in place of the
/// frequency a point row would show. The toggle's action (zeroing the set, freeing the row, locking the
/// others) and every radio step are the session's.
class TPABiasWindow : public TTuningScreen {
    Q_OBJECT
  public:
    using biasRow = paBiasPiece::biasRow;

    static constexpr std::int64_t kMobileTestHz = paBiasPiece::kMobileTestHz;
    static constexpr std::int64_t kQrTestHz = paBiasPiece::kQrTestHz;
    static constexpr std::int64_t kKTestHz = paBiasPiece::kKTestHz;
    static constexpr std::uint32_t kFullPower = paBiasPiece::kFullPower;
    static constexpr const char* kSupplyBackText = paBiasPiece::kSupplyBackText;

    /// The rows the record's radio has, the ranges and the texts of a view tuning `power`.
    static tuningProcedure describe(const radioStorage& record, paBiasPower power);

    /// The view row of a softpot row, -1 when the radio does not have it.
    int rowOf(biasRow kind) const;
    biasRow kindOf(int row) const;
    QCheckBox* toggle(int row) const { return m_toggles[size_t(row)]; }
    /// Whether the row's toggle is on (its box and up-down are free).
    bool rowEnabled(int row) const;
    /// The toggle of a row was pressed.
    void toggleRow(int row);

  protected:
    TPABiasWindow(const screenEnvironment& environment, std::string_view name, paBiasPower power);
    void render(const sessionState& state) override;

  private:
    const paBiasPiece& piece() const;

    std::vector<QCheckBox*> m_toggles;
};

/// PA bias at high power.
class TPABiasHighVoltageWindow : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasHighVoltageWindow(const screenEnvironment& environment);
};

/// PA bias at low power.
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

/// PA bias in receive mode (high power columns).
class TPABiasRxModeWindow : public TPABiasWindow {
    Q_OBJECT
  public:
    explicit TPABiasRxModeWindow(const screenEnvironment& environment);
};

}  // namespace vantrel
