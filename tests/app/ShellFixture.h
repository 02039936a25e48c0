// A whole shell for one test: temporary program directory, simulated radio on a virtual line, scripted
// prompt.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

#include "app/ScreenFactory.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "operations/UserPrompt.h"
#include "sim/SimPeer.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// A stand-in screen: publishes its code while it lives, or refuses (publishes nothing).
class FakeScreen : public QWidget {
  public:
    FakeScreen(int* code, int myCode, bool refuse) : m_code(code) {
        if (!refuse)
            *m_code = myCode;
    }
    ~FakeScreen() override { *m_code = 0; }

  private:
    int* m_code;
};

/// Creates FakeScreens for every request and remembers the requests.
class FakeScreenFactory : public ScreenFactory {
  public:
    QWidget* create(const screenEnvironment& environment) override {
        requests.push_back(environment.identity);
        return new FakeScreen(environment.openScreenCode, environment.identity.code, refuse);
    }
    bool provides(int) const override { return true; }
    std::vector<screenIdentity> requests;
    bool refuse = false;
};

/// The shell wired to a simulated radio of `profile` on COM1, in virtual time.
class Shell {
  public:
    explicit Shell(const std::string& profile = "portable", bool writeComIni = true);
    ~Shell();

    /// Starts the application (not shown); answers start()'s result.
    int start(QStringList arguments = {});

    QString path(const QString& name) const;
    TVantrelApp& app() { return *m_app; }
    TVantrelFrame& frame() { return *m_app->frame(); }
    TVantrelMDIClient& client() { return *m_app->client(); }
    ScriptedPrompt& prompt() { return m_prompt; }
    VirtualLine& line() { return m_line; }
    SimRadio& radio() { return *m_radio; }
    /// Installs a FakeScreenFactory for the shell's lifetime.
    FakeScreenFactory& fakeScreens();
    /// Titles of the dialogs run through the modal hook, in order.
    QStringList dialogsRun;
    /// What the modal hook does with each dialog (besides noting its title).
    std::function<void(QDialog&)> onDialog;
    /// Answers of the file dialogs, taken in order; empty means cancel.
    QStringList files;
    /// Where each file dialog started (folder, or folder and proposed name), in order.
    QStringList fileSuggestions;
    /// Which file dialog each was, in order.
    QList<FileDialogKind> fileKinds;
    bool printerAvailable = true;
    /// The folders of an installed program (StartOptions); empty: the temporary program directory.
    QString dataDirectory, settingsDirectory, workDirectory;
    /// Where the service history is kept; empty: nothing is recorded.
    QString historyDirectory;
    /// Messages shown, as "caption|text".
    QStringList messages() const;
    /// Runs the command when it is available; answers whether it was.
    bool run(int commandId);
    /// Lets closed children go (their deletion is deferred).
    static void settle();

  private:
    QTemporaryDir m_dir;
    VirtualClock m_clock;
    VirtualLine m_line{m_clock};
    std::unique_ptr<SimRadio> m_radio;
    std::unique_ptr<SimPeer> m_peer;
    std::unique_ptr<VirtualPortOpener> m_opener;
    std::optional<ScopedLinkContext> m_context;
    ScriptedPrompt m_prompt;
    std::unique_ptr<TVantrelApp> m_app;
    bool m_fakeScreens = false;
};

}  // namespace vantrel::test
