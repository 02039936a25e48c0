// The tuning screen framework: point rows, working and default values, keying, Program, opening and closing.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "radio/RF_Frequency.h"
#include "screens/screenEnvironment.h"
#include "screens/tuningConnection.h"
#include "screens/tuningProcedure.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace vantrel {

class EnhancedSBEP;
class TTunerEditBox;
class TUpDown;

/// One tuning screen of the standard framework. A procedure supplies its description (texts, record
/// place, range, layout, data set) and overrides only what differs: the radio set-up at opening, the
/// live write, the programming of one point and its refusal text.
///
/// Lifecycle: construct (builds the controls and publishes the open-screen code), then open() (runs the
/// opening sequence and fills the display); create<T>() does both. When open() fails the open-screen code
/// is 0 and the shell removes the window again. Closing (closeEvent, or destruction without one) sets the
/// code to 0, dekeys the radio (screens that key) and resets it; failures there are ignored.
///
/// Every radio action opens its own connection and closes it at its end; a slider drag keeps one
/// connection until the drag ends. Link failures are caught and shown as "Radio Communication Error!!";
/// a failure while the radio is or may be keyed first tries to dekey it.
class TTuningScreen : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kDekeyedText = "Radio is currently dekeyed";
    static constexpr const char* kKeyedFormat = "Radio is currently keyed up at %fMHz";
    static constexpr const char* kUnsupportedText = "UNSUPPORTED";
    static constexpr const char* kLinkErrorText = tuningConnection::kLinkErrorText;
    static constexpr const char* kErrorCaption = "ERROR";
    static constexpr const char* kWarningCaption = "WARNING";
    static constexpr QPoint kPosition{50, 50};

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

    /// Constructs a screen of class Screen (constructor taking the environment) and opens it.
    template <class Screen>
    static Screen* create(const screenEnvironment& environment) {
        auto* screen = new Screen(environment);
        screen->open();
        return screen;
    }

    /// Opening sequence, then display set-up. Answers false when the screen refused to open (the
    /// open-screen code is then 0).
    bool open();

    const tuningProcedure& procedure() const { return m_procedure; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    /// Frequency point 1..7 of a row (0 when a single-value screen has no point).
    int pointOfRow(int row) const { return m_rows[size_t(row)].point; }
    bool rowSupported(int row) const { return m_rows[size_t(row)].supported; }
    bool keyed() const { return m_keyed; }
    int currentRow() const { return m_currentRow; }
    int currentValue() const { return m_currentValue; }
    bool displayReady() const { return m_displayReady; }
    bool connectionOpen() const { return m_connection.isOpen(); }

    QSlider* slider(int row) const { return m_rows[size_t(row)].slider; }
    TTunerEditBox* workingBox(int row) const { return m_rows[size_t(row)].working; }
    TUpDown* upDown(int row) const { return m_rows[size_t(row)].upDown; }
    QLineEdit* defaultBox(int row) const { return m_rows[size_t(row)].defaultBox; }
    QLineEdit* frequencyBox(int row) const { return m_rows[size_t(row)].frequencyBox; }
    QPushButton* pttButton() const { return m_ptt; }
    QPushButton* programButton() const { return m_program; }
    QLineEdit* statusBox() const { return m_status; }
    QLabel* noteLabel() const { return m_note; }

    // The actions the controls trigger.
    /// A slider step (line, page, home, end) or a drag position (QAbstractSlider::SliderMove).
    void sliderAction(int row, int action);
    /// The end of a slider drag.
    void sliderReleased(int row);
    /// An up-down scroll ended, or a value accepted with Enter in the working box.
    void valueAction(int row);
    void togglePtt();
    void program();

  protected:
    /// Outcome of programming one point.
    enum class ProgramOutcome { Stored, Refused };

    /// Opening: puts the radio into the procedure's test mode and selects the initial channels.
    virtual void setupRadio(EnhancedSBEP& link);
    /// Sends the value live (keyed, or always on screens that never key).
    virtual void writeLive(int value, EnhancedSBEP& link);
    /// Programs one point (its channels are already selected) and stores it with storeValue(), or
    /// refuses it with showRefused(). The default programs through the data set and stores.
    virtual ProgramOutcome programPoint(int row, int value, EnhancedSBEP& link);
    /// The refused-value message of a point; `ownRule` when the screen refused it before writing.
    virtual std::string refusedText(int point, bool ownRule) const;

    /// Stores a programmed value in the record and shows it in the row's default box.
    void storeValue(int row, int value);
    void showRefused(int point, bool ownRule);
    /// Selects the channel pair of a row's point (transmit channel first); nothing when it has none.
    void selectChannels(int row, EnhancedSBEP& link);
    radioStorage& record() const { return *m_environment.record; }
    UserPrompt& prompt() const { return *m_environment.prompt; }
    tuningDataSet& dataSet() { return *m_dataSet; }

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    struct Row {
        int point = 0;
        int column = 0;
        bool supported = false;
        double frequencyMhz = 0.0;
        int lastValue = -1;
        bool prepared = false;
        QLineEdit* frequencyBox = nullptr;
        QLineEdit* defaultBox = nullptr;
        QSlider* slider = nullptr;
        TTunerEditBox* working = nullptr;
        TUpDown* upDown = nullptr;
    };
    class ActionScope;

    void buildControls();
    void fillDisplay();
    void assignPoints();
    std::uint16_t ownChannel(int point) const;
    bool openConnection();
    void closeConnection();
    EnhancedSBEP& link() { return m_connection.link(); }
    bool serialMatches();
    void mismatchDialog();
    void refreshAfterRead();
    void prepare(int row);
    void dekeyIfKeyedElsewhere(int row);
    bool sendsLive() const;
    void setDekeyed();
    void failAction();
    void showLinkError();
    void closingSequence();
    void setStatus(const QString& text);
    int firstSupportedRow() const;

    screenEnvironment m_environment;
    tuningProcedure m_procedure;
    std::unique_ptr<tuningDataSet> m_dataSet;
    RF_Frequency m_frequency;
    tuningConnection m_connection;
    std::vector<Row> m_rows;
    QFont m_labelFont;
    QFont m_controlFont;
    QPushButton* m_ptt = nullptr;
    QPushButton* m_program = nullptr;
    QLineEdit* m_status = nullptr;
    QLabel* m_note = nullptr;

    int m_currentRow = 0;
    int m_currentValue = 0;
    bool m_keyed = false;
    int m_keyedRow = 0;
    bool m_keyUpSent = false;  ///< a key-up went out in this action: the radio may be keyed
    QString m_keyedText;
    bool m_displayReady = false;
    bool m_reachedPort = false;  ///< some connection opened: the closing sequence has a radio to tidy
    bool m_closed = false;
    bool m_placed = false;
    int m_actionDepth = 0;
    bool m_closeRequested = false;
};

}  // namespace vantrel
