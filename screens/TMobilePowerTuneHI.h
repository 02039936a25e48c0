// The K and M power tuning screen of mobiles.
#pragma once

#include <QString>
#include <array>

#include "operations/kmPowerPiece.h"
#include "operations/sharedMessages.h"
#include "radio/kmPowerModel.h"
#include "screens/TScreenSession.h"

class QLineEdit;
class QPushButton;

namespace vantrel {

class TKMPowerEditBox;

/// Mobiles hold per transmit point a pair K, M describing output power against power level. The
/// technician keys the radio at a point at the two levels L1 and L2 of the record (row 17, columns 14 and
/// 15), types the meter's readings into the point's Power 1 and Power 2 boxes, and Program turns each pair
/// of readings into K and M and writes them (softpot 17, two bytes) into the radio and the record (row 17,
/// columns 2(i-1) and 2(i-1)+1).
///
/// Selections 1..7 are the Power 1 boxes of F1..F7 (level L1), 8..14 the Power 2 boxes (level L2).
/// Taking the focus selects a box: while keyed at its point the radio goes to the box's level at once.
/// Link failures are reported in the status box; a failed opening also shows the message box. The view
/// shows the session's state and hands it the readings; the session does the radio work.
class TMobilePowerTuneHI : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kPoints = kmPowerPiece::kPoints;
    static constexpr const char* kDekeyedText = message::Dekeyed;
    static constexpr const char* kKeyedFormat = message::KeyedFormat;
    static constexpr const char* kCommitQuestion = kmPowerPiece::kCommitQuestion;
    static constexpr const char* kIncorrectFormat = kmPowerPiece::kIncorrectFormat;
    static constexpr const char* kWrittenText = kmPowerPiece::kWrittenText;

    explicit TMobilePowerTuneHI(const screenEnvironment& environment);

    /// The box of a selection 1..14.
    TKMPowerEditBox* powerBox(int selection) const { return m_power[size_t(selection - 1)]; }
    QLineEdit* frequencyBox(int point) const { return m_frequency[size_t(point - 1)]; }
    QPushButton* pttButton() const { return m_ptt; }
    QPushButton* programButton() const { return m_program; }
    QLineEdit* statusBox() const { return m_status; }
    int currentSelection() const { return session().selectedRow() + 1; }
    const kmPowerModel& model() const { return m_model; }

    /// A power box took the focus.
    void focusAction(int selection);
    void togglePtt();
    void program();

  protected:
    void render(const sessionState& state) override;

  private:
    static int pointOf(int selection) { return (selection - 1) % kPoints + 1; }
    /// Hands the session every reading as typed.
    void takeReadings();

    kmPowerModel m_model;
    int m_reloads = -1;  ///< the session's reloads the boxes last showed
    std::array<QLineEdit*, kPoints> m_frequency{};
    std::array<TKMPowerEditBox*, 2 * kPoints> m_power{};
    QPushButton* m_ptt = nullptr;
    QPushButton* m_program = nullptr;
    QLineEdit* m_status = nullptr;
};

}  // namespace vantrel
