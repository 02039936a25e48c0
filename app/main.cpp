// The program's entry: options, start-up, the message loop and the radio reset at exit.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "VantrelVersion.h"
#include "app/AppIcons.h"
#include "app/DemoRadio.h"
#include "app/QtUserPrompt.h"
#include "app/ScreenFactory.h"
#include "app/Screenshots.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "link/programFolders.h"

namespace {

const char* const kUsage =
    "Usage: vantrel [--simulate [PROFILE]] [--trace] [FILE.sfp]\n"
    "  or:  vantrel --screenshots DIRECTORY\n"
    "  or:  vantrel --version\n"
    "\n"
    "Alignment tuner for two-way FM radios: reads a radio's identity and tuning values, tunes each\n"
    "alignment procedure, programs the values back, keeps them in archive files and prints a report.\n"
    "FILE.sfp is an archive file loaded at start.\n"
    "\n"
    "Options:\n"
    "  --simulate [PROFILE]   run against a simulated radio of the profile (default portable; see\n"
    "                         vantrel-sim --list-profiles) on a pseudo-terminal\n"
    "  --trace                with --simulate, print the simulated radio's state changes on stderr\n"
    "  --screenshots DIR      render every window and dialog to PNG files in DIR and exit\n"
    "  -h, --help             print this text and exit\n"
    "  --version              print the version and the licence and exit\n"
    "\n"
    "Data files: bbo.cfg, the pictures (title.bmp, portablesetup.bmp, mobilesetup.bmp), simulated radio\n"
    "profiles (profiles/NAME.json), instrument dialects (instruments/NAME.dialect) and help pages\n"
    "(help/NAME.html, replacing the built-in page of that name). The first one found in the settings\n"
    "folder (~/.config/vantrel when installed, else the program folder), $XDG_DATA_HOME/vantrel\n"
    "(~/.local/share/vantrel), each $XDG_DATA_DIRS folder + /vantrel (/usr/local/share/vantrel,\n"
    "/usr/share/vantrel), the program folder, then the installation's share/vantrel is used.\n"
    "$VANTREL_SIM_PROFILES and $VANTREL_INSTRUMENTS_DIR name a folder searched before all of them.\n"
    "\n"
    "Vantrel is free software under the GNU General Public License version 3 or later\n"
    "(GPL-3.0-or-later) and comes with NO WARRANTY.\n";

struct Options {
    QStringList archive;
    bool simulate = false;
    QString profile = QStringLiteral("portable");
    QString screenshotDir;
    bool trace = false;
};

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--simulate")) {
            o.simulate = true;
            // The profile is optional; an archive path (.sfp) after it is still the archive.
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-')) &&
                !args[i + 1].endsWith(QLatin1String(".sfp"), Qt::CaseInsensitive))
                o.profile = args[++i];
        } else if (a == QLatin1String("--trace")) {
            o.trace = true;
        } else if (a == QLatin1String("--screenshots") && i + 1 < args.size()) {
            o.screenshotDir = args[++i];
        } else {
            o.archive << a;
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they need no display.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vantrel %s\n%s", vantrel::kVersion, vantrel::kLicenceNotice);
        return 0;
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // The desktop entry's id: the desktop ties the windows to the entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.Vantrel"));
    QApplication::setWindowIcon(vantrel::applicationIcon());
    const Options options = parse(QApplication::arguments());
    const QString programDirectory = QFileInfo(QApplication::applicationFilePath()).absolutePath();
    const vantrel::programFolders folders = vantrel::programFolders::resolve(programDirectory.toStdString());
    folders.createUserFolders();
    const QString dataDirectory = QString::fromStdString(folders.data);
    const QString settingsDirectory = QString::fromStdString(folders.settings);

    if (!options.screenshotDir.isEmpty())
        return vantrel::renderScreenshots(options.screenshotDir, dataDirectory);

    vantrel::DemoRadio demo;
    if (options.simulate) {
        QString error;
        if (!demo.start(options.profile, settingsDirectory, error)) {
            std::fprintf(stderr, "vantrel: the simulated radio cannot start: %s\n", qPrintable(error));
            return 1;
        }
        if (options.trace)
            demo.traceStateChanges();
        std::fprintf(stderr, "vantrel: simulated radio '%s' on COM%d (%s)\n", qPrintable(options.profile),
                     demo.port(), qPrintable(demo.device()));
    }

    vantrel::QtUserPrompt prompt;
    vantrel::StartOptions start;
    start.arguments = options.archive;
    start.programDirectory = programDirectory;
    start.dataDirectory = dataDirectory;
    start.settingsDirectory = settingsDirectory;
    start.workDirectory = QString::fromStdString(folders.work);
    // The service history of this user (its default file and its spool); the work folder without a home.
    const std::string historyData = vantrel::userDataDirectory();
    start.historyDirectory = QString::fromStdString(historyData.empty() ? folders.work : historyData);
    // Installed, the recent-file list is the user's; from a folder it stays in the current directory.
    start.profilePath = folders.installed ? QDir(settingsDirectory).filePath(QStringLiteral("Vantrel.ini"))
                                          : QDir::current().absoluteFilePath(QStringLiteral("Vantrel.ini"));
    int result = 0;
    {
        vantrel::TVantrelApp app(start, prompt, vantrel::ShellHooks::interactive());
        if (app.start() != 0)
            return -1;
        // Installed, display.txt goes to the user's work folder from the start, not to wherever the
        // menu started the program (the archive named on the command line is already loaded).
        if (folders.installed)
            QDir::setCurrent(start.workDirectory);
        prompt.setParent(app.frame());
        result = QApplication::exec();
    }
    vantrel::TVantrelApp::resetRadioAtExit();
    return result;
}
