// The tuning screen framework: point rows, working and default values, keying, Program, opening and closing.
#pragma once

#include <QFont>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/procedurePiece.h"
#include "operations/tuningSession.h"
#include "screens/TScreenSession.h"
#include "screens/tuningProcedure.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace vantrel {

class TTunerEditBox;
class TUpDown;
class TValuePlot;

/// The point-row view: rows of frequency points (or named values), each with its default box, slider,
/// working box and up-down, a "PTT Toggle" and a "Program" button, a status box and a note. The session
/// does every radio step; the view shows its state and hands it each control's action. A procedure's view
/// supplies its layout (where the controls stand) and, where it has more controls, what they send.
class TTuningScreen : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr const char* kDekeyedText = message::Dekeyed;
    static constexpr const char* kKeyedFormat = message::KeyedFormat;
    static constexpr const char* kUnsupportedText = message::Unsupported;

    /// Control ids (row i = 0..6 adds i, except the default boxes, which skip 4011).
    static constexpr int kFrequencyId = 3000;
    static constexpr int kWorkingId = 4000;
    static constexpr int kUpDownId = 5000;
    static constexpr int kSliderId = 6000;
    static constexpr int kPttId = 7000;
    static constexpr int kProgramId = 7001;
    static constexpr std::array<int, 7> kDefaultIds{4007, 4008, 4009, 4010, 4012, 4013, 4014};

    /// The view of the catalogued `name` laid out as `procedure` says.
    TTuningScreen(const screenEnvironment& environment, std::string_view name, tuningProcedure procedure);
    /// The view of a procedure that is not catalogued: the standard piece over the description.
    TTuningScreen(const screenEnvironment& environment, tuningProcedure procedure);
    ~TTuningScreen() override;

    const tuningProcedure& procedure() const { return m_procedure; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    /// Frequency point 1..7 of a row (0 when a single-value screen has no point).
    int pointOfRow(int row) const { return engine().pointOfRow(row); }
    bool rowSupported(int row) const { return engine().rowSupported(row); }
    /// The procedure's piece the session runs: rows, channels, ranges.
    procedurePiece& engine() const { return session().piece(); }
    int currentRow() const { return m_currentRow; }
    int currentValue() const { return m_currentValue; }

    /// The row's slider; nullptr on screens whose rows are softpots.
    QSlider* slider(int row) const { return m_rows[size_t(row)].slider; }
    TTunerEditBox* workingBox(int row) const { return m_rows[size_t(row)].working; }
    TUpDown* upDown(int row) const { return m_rows[size_t(row)].upDown; }
    QLineEdit* defaultBox(int row) const { return m_rows[size_t(row)].defaultBox; }
    QLineEdit* frequencyBox(int row) const { return m_rows[size_t(row)].frequencyBox; }
    QPushButton* rowButton(int row) const { return m_rows[size_t(row)].button; }
    QPushButton* pttButton() const { return m_ptt; }
    QPushButton* programButton() const { return m_program; }
    QLineEdit* statusBox() const { return m_status; }
    QLabel* noteLabel() const { return m_note; }
    /// The plot of the values across the points; nullptr on screens whose rows are not F1..F7.
    TValuePlot* valuePlot() const { return m_plot; }

    // The actions the controls trigger. A control shows its new value at once; the radio gets it as soon
    // as it is free: steps that arrive while it is busy (a key held down, quick clicks) fold into one
    // write of the latest value. Called directly, these run the step at once.
    /// A slider step (line, page, home, end) or a drag position (QAbstractSlider::SliderMove).
    void sliderAction(int row, int action);
    /// The end of a slider drag.
    void sliderReleased(int row);
    /// An up-down scroll ended, or a value accepted with Enter in the working box.
    void valueAction(int row);
    /// Whether a step of the technician waits for the radio.
    bool stepPending() const { return m_pending.has_value(); }
    void togglePtt();
    void program();

  protected:
    void render(const sessionState& state) override;
    /// The button of a row was clicked.
    virtual void rowButtonClicked(int row);

    void beforeModal() override;
    void actionEnded() override;
    /// Runs the step that waits for the radio now (before another action of the technician's).
    void sendPendingStep();
    /// Forgets the step that waits: the action about to run makes it pointless (a dekey, Program).
    void dropPendingStep() { m_pending.reset(); }
    /// Whether the rows are frequency points (not softpots of their own).
    bool pointRows() const;
    /// The working box's value as Program reads it.
    int workingValue(int row) const;
    QString workingText(int row) const;
    const tuningRow& rowSpec(int row) const { return engine().rowSpec(row); }
    /// While on, a record value the session changes is not shown in the default boxes: they keep what the
    /// radio holds programmed (a value the radio tuned itself is only a working value until Program).
    void holdDefaults(bool on) { m_holdDefaults = on; }

  private:
    /// A step of the technician that waits for the radio (only the latest counts).
    struct pendingStep {
        int row = 0;
        int value = 0;
        stepKind kind = stepKind::Step;
    };

    struct Row {
        int shownValue = 0;             ///< the session's working value the controls last showed
        std::optional<int> seenRecord;  ///< the record value last seen (shown unless held)
        QLineEdit* frequencyBox = nullptr;
        QLineEdit* defaultBox = nullptr;
        QSlider* slider = nullptr;
        TTunerEditBox* working = nullptr;
        TUpDown* upDown = nullptr;
        QPushButton* button = nullptr;
    };

    void buildControls();
    /// Shows the record's and the session's values in every row (after opening and a re-read).
    void fillRows(const sessionState& state);
    /// Shows a step in the row's controls and makes it the current point and value.
    void showStep(int row, int value);
    /// A step of a row's slider or of its up-down / Enter, shown; nullopt when the row takes none.
    std::optional<pendingStep> sliderStep(int row, int action);
    std::optional<pendingStep> valueStep(int row);
    /// Keeps `step` as the one that waits, and has the event loop send it once the radio is free.
    void queueStep(const pendingStep& step);
    void postPendingStep();
    void setStatus(const QString& text, bool keyed);
    /// Marks the current and the keyed row, and tells the keyed row's box what the radio has.
    void updateRowMarks();
    void updatePlot();

    tuningProcedure m_procedure;
    std::vector<Row> m_rows;
    QFont m_labelFont;
    QFont m_controlFont;
    QPushButton* m_ptt = nullptr;
    QPushButton* m_program = nullptr;
    QLineEdit* m_status = nullptr;
    QLabel* m_note = nullptr;
    TValuePlot* m_plot = nullptr;

    int m_currentRow = 0;
    int m_currentValue = 0;
    int m_reloads = -1;   ///< the session's reloads the rows last showed
    int m_liveValue = 0;  ///< the value last sent live at the keyed row
    std::optional<pendingStep> m_pending;
    bool m_stepPosted = false;
    bool m_holdDefaults = false;
};

}  // namespace vantrel
