// The MDI client: owns the radio record and carries out every menu command.
#pragma once

#include <QMdiArea>
#include <functional>
#include <memory>
#include <vector>

#include "app/CommandTable.h"
#include "app/ScreenFactory.h"
#include "app/ShellHooks.h"
#include "operations/bboConfigFileModule.h"
#include "operations/fileModule.h"
#include "operations/radioOperations.h"
#include "radio/radioStorage.h"

class QLabel;

namespace vantrel {

class TVantrelApp;
struct printoutPlot;
class TVantrelMDIChild;

/// Holds the one radio record with its flags for the whole run and runs the commands: Read Radio,
/// Program All, the archive, printing, the settings and information dialogs, the setup pictures and
/// every screen through the window-open rule (one screen at a time).
class TVantrelMDIClient : public QMdiArea {
    Q_OBJECT
  public:
    static constexpr const char* kNoDataText = "No archive file or radio is currently loaded or connected";

    TVantrelMDIClient(TVantrelApp& app, QWidget* parent);
    ~TVantrelMDIClient() override;

    radioStorage& record() { return m_record; }
    ShellState shellState() const;
    bool radioRead() const { return m_radioRead; }
    bool archiveLoaded() const { return m_archiveLoaded; }
    bool tuningAllowed() const { return m_tuningAllowed; }
    int setupPictureOpen() const { return m_setupPictureOpen; }
    /// True while a radio operation runs (the main window then refuses to close).
    bool busy() const { return m_busy; }
    QString statusText() const;
    void setStatusLabel(QLabel* label);

    /// Loads an archive (start-up with a path, or the menu after its questions) and applies the outcome
    /// to the flags, the identity and the status bar. Answers whether it loaded.
    bool loadArchive(const QString& path);
    /// Opens a file in a plain text view in its own child and lists it among the recent files.
    void openDroppedFile(const QString& path);

    /// The window-open rule: creates the window with `create` when no screen is open, frames it in a
    /// child captioned `caption`, and removes it again when the open-screen code is 0 afterwards (tuning
    /// blocked with `applyTuningAllowed`, or a screen that refused to open). With another screen open it
    /// shows the "still open" message; with this one open it does nothing. Answers the child left open.
    TVantrelMDIChild* openWindow(int code, const QString& caption, bool applyTuningAllowed,
                                 const std::function<QWidget*()>& create);

    // Command handlers (the command table points at these).
    void cmLoadArchive(int);
    void cmSaveArchive(int);
    void cmReadRadio(int);
    void cmProgramAll(int);
    void cmPrinterSetup(int);
    void cmPrintPreview(int);
    void cmPrintActive(int);
    void cmOpenScreen(int commandId);
    void cmPaBiasHigh(int commandId);
    void cmPaBiasLow(int commandId);
    void cmCommSettings(int);
    void cmBenchInstruments(int);
    void cmProgramSerialNo(int commandId);
    void cmBasebandOffset(int commandId);
    void cmTempComp(int commandId);
    void cmSetupPicture(int commandId);
    void cmRadioInfo(int);
    void cmCompareArchive(int);
    void cmCompareRadio(int);
    void cmServiceHistory(int);
    void cmHistorySettings(int);
    void cmAlignRadio(int);

    /// The earlier record of the report's before/after column: the other side of the last compare
    /// window, or the archive chosen from the preview; nullptr when there is none yet.
    std::shared_ptr<const radioStorage> beforeRecord() const { return m_before; }
    QString beforeLabel() const { return m_beforeLabel; }
    /// The report text with the "Before" column from beforeRecord(), asking for an archive first when
    /// there is none; empty when the user cancels or the archive cannot be loaded.
    QString beforeAfterReport();

  protected:
    /// A child asked to close while the radio is busy closes after the exchange.
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    /// Flags, record or open screens changed: the enablers must be asked again.
    void stateChanged();

  private:
    /// The environment of a command's screen: the shell's parts and the catalogue's identity.
    screenEnvironment environmentFor(int commandId);
    TVantrelMDIChild* openScreen(const screenEnvironment& environment, bool applyTuningAllowed);
    /// The second half of the window-open rule: frames an opened window (nullptr: nothing) in a child
    /// and removes it again when its code is 0 afterwards.
    TVantrelMDIChild* frameWindow(QWidget* window, const QString& caption, bool applyTuningAllowed);
    void paBiasScreening(int commandId, const screenEnvironment& normal, const screenEnvironment& fallback);
    void setStatus(const QString& text);
    /// Runs a file dialog starting in the folder last used, proposing the radio's serial number as the
    /// file name; remembers the folder of the answer.
    QString chooseFile(FileDialogKind kind);
    QString suggestedFileName(FileDialogKind kind) const;
    /// Adds a child frame and shows it; its closing waits for the end of any radio exchange.
    void addChild(TVantrelMDIChild* child);
    /// Shrinks and moves a shown child so that it lies within the visible area.
    void fitIntoArea(TVantrelMDIChild* child);
    /// The messages of a read's outcome, with what went wrong under them.
    void showReadMessages(const ReadRadioOutcome& outcome);
    /// Adds the failed step and what was already written under a Read Radio or Program All message.
    static void addFailureDetail(PromptMessage& message, const std::vector<std::string>& lines);

    enum class PrintMode { Dialog, Preview };
    /// `beforeShown`: the preview opens with the "Before" column (the alignment's report).
    void printReport(PrintMode mode, bool beforeShown = false);
    /// Prints or previews a text; `plots` are what the preview's "Show plots" adds, `beforeAfter`
    /// (preview only) the report text with or without the "Before" column.
    void printText(const QString& text, PrintMode mode, std::vector<printoutPlot> plots = {},
                   std::function<QString(bool)> beforeAfter = {}, bool beforeShown = false);
    /// Loads an archive into a record of its own, for a comparison; the load's messages are shown only
    /// when it fails. nullptr after a failure.
    std::shared_ptr<const radioStorage> loadForCompare(const QString& path);
    void openCompareWindow(std::shared_ptr<const radioStorage> other, bool radio, const QString& name);
    void saveReportAsPdf(class TApxPrintout& printout);

    TVantrelApp& m_app;
    radioStorage m_record;
    radioOperations m_readOperation;
    fileModule m_files;
    bboConfigFileModule m_bboConfig;
    bool m_radioRead = false;
    bool m_archiveLoaded = false;
    bool m_tuningAllowed = true;
    bool m_busy = false;
    int m_setupPictureOpen = 0;
    QLabel* m_statusLabel = nullptr;
    QString m_lastFolder;  ///< of the last file chosen or loaded; empty: none yet
    std::shared_ptr<const radioStorage> m_before;
    QString m_beforeLabel;
};

}  // namespace vantrel
