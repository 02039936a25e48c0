// The shell fixture.
#include "ShellFixture.h"

#include <QCoreApplication>
#include <QDir>

#include "link/RF_CommunicationSetup.h"
#include "sim/SimProfile.h"

namespace vantrel::test {

Shell::Shell(const std::string& profile, bool writeComIni) {
    m_radio = std::make_unique<SimRadio>(SimProfile::named(profile));
    m_peer = std::make_unique<SimPeer>(*m_radio);
    m_line.setPeer(m_peer.get());
    m_opener = std::make_unique<VirtualPortOpener>(m_line, 1);
    LinkContext context;
    context.programDirectory = m_dir.path().toStdString();
    context.opener = m_opener.get();
    context.clock = &m_clock;
    m_context.emplace(context);
    RF_CommunicationSetup::forgetRememberedPort();
    if (writeComIni)
        comIni::write(m_dir.path().toStdString(), 1);
    QDir::setCurrent(m_dir.path());
}

Shell::~Shell() {
    m_app.reset();
    settle();
    if (m_fakeScreens)
        setScreenFactory(nullptr);
}

int Shell::start(QStringList arguments) {
    ShellHooks hooks;
    hooks.chooseFile = [this](FileDialogKind kind, const QString& suggestion) {
        fileSuggestions << suggestion;
        fileKinds << kind;
        return files.isEmpty() ? QString() : files.takeFirst();
    };
    hooks.runDialog = [this](QDialog& d) {
        dialogsRun << d.windowTitle();
        if (onDialog)
            onDialog(d);
    };
    hooks.printerAvailable = [this] { return printerAvailable; };
    hooks.printDialog = [](QPrinter&) { return false; };
    StartOptions options;
    options.arguments = std::move(arguments);
    options.programDirectory = m_dir.path();
    options.profilePath = path(QStringLiteral("Vantrel.ini"));
    options.dataDirectory = dataDirectory;
    options.settingsDirectory = settingsDirectory;
    options.workDirectory = workDirectory;
    options.historyDirectory = historyDirectory;
    m_app = std::make_unique<TVantrelApp>(options, m_prompt, hooks);
    // The app installs the real idle hook; events stay with the test here.
    int result = m_app->start(false);
    linkContext().idleHook = nullptr;
    return result;
}

QString Shell::path(const QString& name) const {
    return QDir(m_dir.path()).filePath(name);
}

FakeScreenFactory& Shell::fakeScreens() {
    auto factory = std::make_unique<FakeScreenFactory>();
    FakeScreenFactory& ref = *factory;
    setScreenFactory(std::move(factory));
    m_fakeScreens = true;
    return ref;
}

QStringList Shell::messages() const {
    QStringList out;
    for (const PromptMessage& m : m_prompt.shown()) out << QString::fromStdString(m.caption + "|" + m.text);
    return out;
}

bool Shell::run(int commandId) {
    frame().updateCommandStates();
    if (!frame().isAvailable(commandId))
        return false;
    frame().execute(commandId);
    return true;
}

void Shell::settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace vantrel::test
