// The tuning screen framework: point rows, working and default values, keying, Program, opening and closing.
#pragma once

#include <QFont>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/procedurePiece.h"
#include "screens/TScreenSession.h"
#include "screens/tuningProcedure.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace vantrel {

class EnhancedSBEP;
class TTunerEditBox;
class TUpDown;
class TValuePlot;

/// The point-row tuning screen: rows of frequency points (or named values), each with its default box,
/// slider, working box and up-down, a "PTT Toggle" and a "Program" button, a status box and a note. A
/// procedure supplies its description (rows, texts, record place, range, layout, data set) and overrides
/// only what differs: the radio set-up at opening, the live write, validating and programming one row,
/// the step after Program and its refusal text. The radio session (connection, serial check, keying,
/// failures, opening and closing) is TScreenSession's.
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

    TTuningScreen(const screenEnvironment& environment, tuningProcedure procedure);
    ~TTuningScreen() override;

    const tuningProcedure& procedure() const { return m_procedure; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    /// Frequency point 1..7 of a row (0 when a single-value screen has no point).
    int pointOfRow(int row) const { return m_engine->pointOfRow(row); }
    bool rowSupported(int row) const { return m_engine->rowSupported(row); }
    /// The procedure's piece the screen shows: rows, channels, live writes, range checks and Program's rules.
    procedurePiece& engine() const { return *m_engine; }
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
    /// Outcome of programming one point.
    enum class ProgramOutcome { Stored, Refused };

    void setupRadio(EnhancedSBEP& link) override;
    void fillDisplay() override;
    void keyStateChanged() override;
    void connectionClosed() override;
    std::string mismatchText() const override;

    /// Sends a row's value live (keyed, or always on screens that write live while dekeyed).
    virtual void writeLive(int row, int value, EnhancedSBEP& link);
    /// Checks a row's working box before Program writes it; shows the message and answers false to stop.
    virtual bool validate(int row, const QString& text, int value);
    /// Programs one row (its channels are already selected) and stores it with storeValue(), or refuses it
    /// with showRefused(). The default programs through the data set and stores.
    virtual ProgramOutcome programPoint(int row, int value, EnhancedSBEP& link);
    /// PTT keyed the transmitter at the current row, before its value is sent live.
    virtual void keyedUp(EnhancedSBEP& link);
    /// After every row was programmed, before the current point is prepared again.
    virtual void afterProgram(EnhancedSBEP& link);
    /// The button of a row was clicked.
    virtual void rowButtonClicked(int row);
    /// The refused-value message of a point; `ownRule` when the screen refused it before writing.
    virtual std::string refusedText(int point, bool ownRule) const;
    /// Whether a step reaches the radio while dekeyed (selecting and preparing its point); otherwise a
    /// dekeyed screen only shows it.
    virtual bool stepsWhileDekeyed() const { return true; }
    /// Whether Program dekeys the radio before it writes.
    virtual bool programDekeys() const { return true; }

    void beforeModal() override;
    void actionEnded() override;
    /// Runs the step that waits for the radio now (before another action of the technician's).
    void sendPendingStep();
    /// Forgets the step that waits: the action about to run makes it pointless (a dekey, Program).
    void dropPendingStep() { m_pending.reset(); }

    /// Stores a programmed value in the record and shows it in the row's default box (nothing for a row
    /// without a record place).
    void storeValue(int row, int value);
    /// Shows a value the piece stored in the row's default box (nothing for a row without a record place).
    void showStored(int row, int value);
    /// The record's value of a row (0 for a row without a record place).
    int recordValue(const tuningRow& spec) const;
    /// Whether the rows are frequency points (not softpots of their own).
    bool pointRows() const;
    void showRefused(int point, bool ownRule);
    /// Selects the channel pair of a row's point (transmit channel first); nothing when it has none.
    virtual void selectChannels(int row, EnhancedSBEP& link);
    /// Selects a row's channels and prepares the keyed-up text for it.
    void prepare(int row);
    /// Shows a value the radio settled on in a row's slider and working box and makes it the current
    /// value, as if the technician had moved the row there (nothing is sent).
    void takeValue(int row, int value);
    /// The working box's value as Program reads it.
    int workingValue(int row) const;
    QString workingText(int row) const;
    tuningDataSet& dataSet() { return *m_engine->dataSet(); }
    const tuningRow& rowSpec(int row) const { return m_engine->rowSpec(row); }
    void setStatus(const QString& text);

  private:
    /// A step of the technician that waits for the radio (only the latest counts).
    struct pendingStep {
        enum class Kind {
            Step,   ///< a slider line or page step: its own connection
            Drag,   ///< a drag position: the connection stays open until the drag ends
            Value,  ///< an up-down or Enter: the serial number is checked every time
        };
        int row = 0;
        int value = 0;
        Kind kind = Kind::Step;
    };

    struct Row {
        int lastValue = -1;
        bool prepared = false;
        QLineEdit* frequencyBox = nullptr;
        QLineEdit* defaultBox = nullptr;
        QSlider* slider = nullptr;
        TTunerEditBox* working = nullptr;
        TUpDown* upDown = nullptr;
        QPushButton* button = nullptr;
    };

    void buildControls();
    /// Shows a step in the row's controls and makes it the current point and value.
    void showStep(int row, int value);
    /// A step of a row's slider or of its up-down / Enter, shown; nullopt when the row takes none.
    std::optional<pendingStep> sliderStep(int row, int action);
    std::optional<pendingStep> valueStep(int row);
    /// Keeps `step` as the one that waits, and has the event loop send it once the radio is free.
    void queueStep(const pendingStep& step);
    void postPendingStep();
    void runSliderStep(const pendingStep& step);
    void runValueStep(const pendingStep& step);
    void dekeyIfKeyedElsewhere(int row);
    /// Sends a row's value live and remembers it as what the radio has.
    void sendLive(int row, int value, EnhancedSBEP& link);
    /// Marks the current and the keyed row, and tells the keyed row's box what the radio has.
    void updateRowMarks();
    bool sendsLive() const;
    void updatePlot();

    tuningProcedure m_procedure;
    std::unique_ptr<procedurePiece> m_engine;
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
    QString m_keyedText;
    int m_liveValue = 0;  ///< the value last sent live at the keyed row
    std::optional<pendingStep> m_pending;
    bool m_stepPosted = false;
};

}  // namespace vantrel
