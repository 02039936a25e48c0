// The program's entry: options, start-up, the message loop and the radio reset at exit.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "app/AppIcons.h"
#include "app/DemoRadio.h"
#include "app/QtUserPrompt.h"
#include "app/ScreenFactory.h"
#include "app/Screenshots.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"

namespace {

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
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setWindowIcon(vantrel::applicationIcon());
    const Options options = parse(QApplication::arguments());
    const QString programDirectory = QFileInfo(QApplication::applicationFilePath()).absolutePath();

    if (!options.screenshotDir.isEmpty())
        return vantrel::renderScreenshots(options.screenshotDir, programDirectory);

    vantrel::DemoRadio demo;
    if (options.simulate) {
        QString error;
        if (!demo.start(options.profile, programDirectory, error)) {
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
    start.profilePath = QDir::current().absoluteFilePath(QStringLiteral("Vantrel.ini"));
    int result = 0;
    {
        vantrel::TVantrelApp app(start, prompt, vantrel::ShellHooks::interactive());
        if (app.start() != 0)
            return -1;
        prompt.setParent(app.frame());
        result = QApplication::exec();
    }
    vantrel::TVantrelApp::resetRadioAtExit();
    return result;
}
