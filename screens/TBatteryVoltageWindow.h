// The battery threshold screen.
#pragma once

#include "operations/procedurePieces.h"
#include "screens/TScreenSession.h"

class QLabel;
class QPushButton;

namespace vantrel {

/// The radio measures its own supply and keeps the measurement as its low-battery threshold (record
/// row 18, column 1, tenths of a volt). The technician sets the supply to the target voltage shown and
/// presses Program: the radio's measurement must lie within 16 of the stored threshold, else the supply
/// is taken to be set wrongly and nothing is written. No PTT; Program asks nothing and checks no serial
/// number.
class TBatteryVoltageWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr const char* kIncorrectText = batteryPiece::kIncorrectText;
    static constexpr const char* kCommittedText = batteryPiece::kCommittedText;
    /// A measurement this far from the stored threshold or farther is refused.
    static constexpr long long kRefusedDistance = batteryPiece::kRefusedDistance;

    explicit TBatteryVoltageWindow(const screenEnvironment& environment);

    QLabel* targetBox() const { return m_target; }
    QLabel* defaultBox() const { return m_default; }
    QPushButton* programButton() const { return m_program; }

    void program();

  protected:
    void render(const sessionState& state) override;

  private:
    QLabel* m_target = nullptr;
    QLabel* m_default = nullptr;
    QPushButton* m_program = nullptr;
};

}  // namespace vantrel
