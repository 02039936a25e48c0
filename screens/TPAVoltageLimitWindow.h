// The PA voltage limit screen: the radio tunes the limit itself at each transmit point.
#pragma once

#include <array>

#include "operations/procedurePieces.h"
#include "operations/sharedMessages.h"
#include "screens/TScreenSession.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

/// PA voltage limit softpot 6 at the seven transmit points, record row 20, columns 0..6. There is nothing
/// to adjust by hand: "Auto Tune" asks the radio whether it can tune the limit, then keys it at every
/// used point in turn, lets it settle, dekeys it and stores the value. A point the radio cannot tune stops
/// the run. Closing dekeys the radio, then resets it. The run is the session's; the view shows its rows.
class TPAVoltageLimitWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kAutoTuneId = 7000;
    static constexpr const char* kNotDoneText = paVoltageLimitPiece::kNotDoneText;
    static constexpr const char* kDoneText = paVoltageLimitPiece::kDoneText;
    static constexpr const char* kTuningFormat = message::PointTunedFormat;
    static constexpr const char* kUnsupportedText = paVoltageLimitPiece::kUnsupportedText;
    static constexpr const char* kQuestion = paVoltageLimitPiece::kQuestion;
    static constexpr const char* kImpossibleText = paVoltageLimitPiece::kImpossibleText;
    static constexpr const char* kImpossibleFirstText = paVoltageLimitPiece::kImpossibleFirstText;
    static constexpr const char* kPointErrorFormat = kAutoTuneFailedFormat;
    static constexpr const char* kRunLinkErrorText = paVoltageLimitPiece::kRunLinkErrorText;

    explicit TPAVoltageLimitWindow(const screenEnvironment& environment);
    ~TPAVoltageLimitWindow() override;

    /// The "Auto Tune" button's run over every used transmit point.
    void autoTune();

    QLineEdit* frequencyBox(int point) const { return m_frequencyBoxes[size_t(point - 1)]; }
    QLineEdit* defaultBox(int point) const { return m_defaultBoxes[size_t(point - 1)]; }
    QLineEdit* statusBox() const { return m_status; }
    QPushButton* autoTuneButton() const { return m_autoTune; }
    QLabel* noteLabel() const { return m_note; }

  protected:
    void render(const sessionState& state) override;

  private:
    std::array<QLineEdit*, 7> m_frequencyBoxes{};
    std::array<QLineEdit*, 7> m_defaultBoxes{};
    QPushButton* m_autoTune = nullptr;
    QLineEdit* m_status = nullptr;
    QLabel* m_note = nullptr;
};

}  // namespace vantrel
