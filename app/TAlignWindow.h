// "Align Radio": the whole-radio plan as a checklist, run against the bench with pause, skip and abort,
// live readings and the plot while it runs, the results as procedures end, then the report and archives.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "alignment/alignment.h"
#include "app/AlignRunner.h"
#include "app/ProcedureCatalogue.h"
#include "instruments/BenchConfig.h"
#include "radio/radioStorage.h"

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace vantrel {

class TValuePlot;
class UserPrompt;

namespace screenCode {
/// Published while an alignment runs: every other radio command waits for it.
inline constexpr int AlignRadio = 60;
}  // namespace screenCode

/// What the window needs of the shell.
struct alignWindowServices {
    radioStorage* record = nullptr;  ///< the shell's record: copied at Start, replaced at the end
    UserPrompt* prompt = nullptr;
    int* openScreenCode = nullptr;
    QString settingsDirectory;  ///< where bench.conf lies
    std::vector<std::string> dialectPath;
    std::string targetsFile;  ///< a shop's targets; empty: the built-in defaults
    QString archiveFolder;    ///< where the archives before and after are saved
    std::string programDirectory = ".";
    std::function<void()> stateChanged;
    /// Saves an archive; false when it could not be written (the shell has said why).
    std::function<bool(const QString& path, const radioStorage& record)> saveArchive;
    /// The report preview with the Before column from `before`.
    std::function<void(std::shared_ptr<const radioStorage> before, const QString& label)> showReport;
    /// Opens a procedure's screen by its menu command.
    std::function<void(int commandId)> openProcedure;
};

class TAlignWindow : public QWidget {
  public:
    static constexpr const char* kTitle = "Align Radio";

    explicit TAlignWindow(alignWindowServices services, QWidget* parent = nullptr);
    ~TAlignWindow() override;

    enum class State { Ready, Running, Stopping, Done };
    State state() const { return m_state; }
    const alignmentPlan& plan() const { return m_plan; }
    /// The results of the procedures that ended, in the order they ended.
    const std::vector<procedureResult>& results() const { return m_results; }
    QString beforeArchive() const { return m_beforePath; }
    QString afterArchive() const { return m_afterPath; }

    /// Start: the checked steps, in plan order. False (with a message) when it cannot start.
    bool start();
    void setPaused(bool paused);
    /// Drops the selected step when it has not started, else the next one that has not.
    void skip();
    void abort();
    /// Whether the step is checked to run; disabled rows cannot be.
    void setChecked(int index, bool on);
    bool isChecked(int index) const;
    void select(int index);

    // Controls, for tests and screenshots.
    QTreeWidget* checklist() const { return m_checklist; }
    QTableWidget* resultsTable() const { return m_results_; }
    QLabel* liveLine() const { return m_live; }
    QLabel* statusLine() const { return m_status; }
    TValuePlot* plot() const { return m_plot; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* pauseButton() const { return m_pause; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* abortButton() const { return m_abort; }
    QPushButton* screenButton() const { return m_screen; }
    QPushButton* reportButton() const { return m_report; }
    /// The reading asked for a manual step; nullptr while none is asked.
    QDialog* manualDialog() const { return m_manual; }
    AlignRunner& runner() { return *m_runner; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    /// The main window's close aborts a run first.
    void watchFrame();
    void buildPlan();
    void fillChecklist();
    void updateButtons();
    void setStepStatus(int index, const QString& text);
    void procedureStarted(int index);
    void stepTaken(int index, const std::string& label, int value, std::optional<double> reading);
    void procedureFinished(int index, const procedureResult& result);
    void askManual(const manualRequest& request);
    void answerManual(std::optional<double> reading);
    void runEnded(const alignRunEnd& end);
    void showReport();
    void openScreen();
    int plotSlot(const std::string& label);
    QString archivePath(const char* which) const;

    alignWindowServices m_services;
    alignmentTargets m_targets = alignmentTargets::defaults();
    QString m_targetsError;
    alignmentPlan m_plan;
    QString m_benchSummary;
    std::unique_ptr<AlignRunner> m_runner;
    State m_state = State::Ready;
    radioStorage m_work;
    std::shared_ptr<const radioStorage> m_before;
    QString m_stamp;
    QString m_beforePath, m_afterPath;
    std::vector<procedureResult> m_results;
    std::vector<std::string> m_plotLabels;
    int m_plotIndex = -1;
    bool m_closeWhenStopped = false;
    QWidget* m_frameWatched = nullptr;
    bool m_closeFrameWhenStopped = false;

    QLabel* m_header = nullptr;
    QTreeWidget* m_checklist = nullptr;
    QTableWidget* m_results_ = nullptr;
    QLabel* m_live = nullptr;
    QLabel* m_status = nullptr;
    TValuePlot* m_plot = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_abort = nullptr;
    QPushButton* m_screen = nullptr;
    QPushButton* m_report = nullptr;
    QDialog* m_manual = nullptr;
    QLineEdit* m_manualEdit = nullptr;
};

/// The plan's bench: the configured roles of bench.conf (and the environment's), opened at Start.
/// Throws InstrumentError for a damaged file.
BenchConfig loadAlignBench(const QString& settingsDirectory);

}  // namespace vantrel
