// The application object: start-up and exit, open-screen code, recent files, help and the printer.
#pragma once

#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "app/ShellHooks.h"

class QPrinter;

namespace vantrel {

class HistoryService;
class linkMonitor;
class TLinkMonitorWindow;

class RecentFileList;
class THelpWindow;
class TVantrelFrame;
class TVantrelMDIClient;
class UserPrompt;

/// What main() hands to the application.
struct StartOptions {
    QStringList arguments;     ///< the program's arguments (options of its own already removed)
    QString programDirectory;  ///< directory of the program, without a trailing separator
    QString profilePath;       ///< the recent-file profile ("Vantrel.ini" in the current directory)
    // Where an installed program keeps its files (programFolders); empty: the program directory.
    QString dataDirectory;      ///< the pictures
    QString settingsDirectory;  ///< COM.INI
    QString workDirectory;      ///< the current directory of radio operations (display.txt)
    /// The user's data folder, where the service history is kept by default and spooled; empty: the
    /// application records no service history (tests).
    QString historyDirectory;
};

/// Owns the main window and the state every part of the shell shares. Start-up runs in start(); the
/// radio reset at exit in resetRadioAtExit().
class TVantrelApp : public QObject {
  public:
    static constexpr const char* kTitle = "Tuner for Feldaris and Entry Level Feldaris radios";

    TVantrelApp(StartOptions options, UserPrompt& prompt, ShellHooks hooks);
    ~TVantrelApp() override;

    /// Start-up: the COM.INI check (settings dialog, then the exit message), the port probe, the main
    /// window shown maximised (unless `show` is false) and the archive named on the command line.
    /// Answers 0 to go on, -1 when the program must end.
    int start(bool show = true);

    /// Opens a connection, sends the reset request and ignores every failure.
    static void resetRadioAtExit();
    /// Opens the configured port once, applies the line settings and closes it; failures are ignored.
    static void probePort(int port);

    /// The link's idle hook: while the radio is waited for, windows paint and timers run; user input
    /// stays queued for later, except while the progress window of Read Radio or Program All (modal)
    /// can still be cancelled.
    void linkIdle();
    /// True while the link waits inside a radio exchange or a Read Radio or Program All runs. Whatever
    /// reaches the event loop then (a command, a window closing) must wait for the end: running it there
    /// would start a second exchange inside the first.
    bool radioBusy();
    /// Runs `work` once the radio is no longer busy, after everything deferred before it (at once when the
    /// radio is idle and nothing waits).
    void whenRadioIdle(std::function<void()> work);
    bool hasDeferredWork() const { return !m_deferred.empty(); }

    int& openScreenCode() { return m_openScreenCode; }
    const QString& programDirectory() const { return m_options.programDirectory; }
    const QString& dataDirectory() const { return m_options.dataDirectory; }
    const QString& settingsDirectory() const { return m_options.settingsDirectory; }
    const QString& workDirectory() const { return m_options.workDirectory; }
    /// Where a data file the program reads (a picture) is: the first one in the settings folder, the XDG
    /// data folders, the program folder, then the data folder. When none holds it, the path in the data
    /// folder, so a message names where the package puts it.
    QString dataFilePath(const char* name) const;
    /// The folders a help page is looked for in before the built-in copy: `help` in each of the above.
    QStringList helpFolders() const;
    /// The arguments joined by single blanks, trailing blanks removed (the archive to load).
    QString commandLineText() const;
    bool hasArguments() const { return !m_options.arguments.isEmpty(); }
    UserPrompt& prompt() { return m_prompt; }
    ShellHooks& hooks() { return m_hooks; }
    TVantrelFrame* frame() { return m_frame.get(); }
    TVantrelMDIClient* client();
    RecentFileList& recentFiles() { return *m_recent; }

    /// The printer, created on first use and kept for the run.
    QPrinter& printer();
    int printJobs() const { return m_printJobs; }
    void beginPrintJob() { ++m_printJobs; }
    void endPrintJob() { --m_printJobs; }

    // Help.
    /// Opens help at a context: a screen context, a command number, helpContext::Index or UsingHelp.
    void showHelp(int context);
    /// F1 without a menu open: the topic of the open screen (the index with none).
    void contextHelp();
    int lastHelpContext() const { return m_lastHelpContext; }
    THelpWindow* helpWindow() { return m_help.get(); }
    bool helpMode() const { return m_helpMode; }
    /// Help mode from a menu: the highlighted command's topic opens instead of the command.
    void enterHelpMode();
    void leaveHelpMode();

    // Commands routed to the application.
    void cmExit(int);
    void cmHelpIndex(int);
    void cmUsingHelp(int);
    void cmAbout(int);
    /// Shows the link monitor window (created on first use, kept for the run).
    void cmLinkMonitor(int);
    linkMonitor& monitor() { return *m_linkMonitor; }
    /// The service history: its recorder, settings and notices.
    HistoryService& history() { return *m_history; }
    TLinkMonitorWindow* monitorWindow() { return m_monitorWindow.get(); }
    /// Closes the windows of the application that stand beside the main window (link monitor, help):
    /// leaving the main window ends the program, whatever else is open.
    void closeToolWindows();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool ensureComPort();
    void armDeferred();
    void runDeferred();

    StartOptions m_options;
    UserPrompt& m_prompt;
    ShellHooks m_hooks;
    int m_openScreenCode = 0;
    int m_printJobs = 0;
    int m_lastHelpContext = 0;
    bool m_helpMode = false;
    int m_idleDepth = 0;
    bool m_deferredArmed = false;
    std::deque<std::function<void()>> m_deferred;
    std::unique_ptr<RecentFileList> m_recent;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<THelpWindow> m_help;
    std::unique_ptr<linkMonitor> m_linkMonitor;  ///< hears the line for the whole run
    std::unique_ptr<HistoryService> m_history;   ///< records the whole run's service events
    std::unique_ptr<TLinkMonitorWindow> m_monitorWindow;
    std::unique_ptr<TVantrelFrame> m_frame;
};

}  // namespace vantrel
