// Screenshot rendering: the shell against a simulated radio on a virtual line, every window to PNG.
#include "app/Screenshots.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdio>

#include "app/CommandTable.h"
#include "app/Pictures.h"
#include "app/QtUserPrompt.h"
#include "app/ScreenTable.h"
#include "app/THelpWindow.h"
#include "app/TSplashWindow.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "app/autoTuneDialog.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "screens/TTuningScreen.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel {

namespace {

/// Saves every window it is given under a running number and a name.
class Camera {
  public:
    explicit Camera(QDir dir) : m_dir(std::move(dir)) {}
    void shoot(QWidget& w, const QString& name) {
        if (!w.isVisible())
            w.show();
        QApplication::processEvents();
        QString file =
            m_dir.filePath(QStringLiteral("%1-%2.png").arg(++m_count, 2, 10, QLatin1Char('0')).arg(name));
        if (!w.grab().save(file)) {
            std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(file));
            m_failed = true;
        }
    }
    bool failed() const { return m_failed; }

  private:
    QDir m_dir;
    int m_count = 0;
    bool m_failed = false;
};

QString slug(QString text) {
    text = text.trimmed().toLower();
    QString out;
    for (QChar c : text) {
        if (c.isLetterOrNumber())
            out += c;
        else if (!out.endsWith(QLatin1Char('-')))
            out += QLatin1Char('-');
        if (out.size() >= 40)
            break;
    }
    while (out.endsWith(QLatin1Char('-'))) out.chop(1);
    return out.isEmpty() ? QStringLiteral("message") : out;
}

/// Shows each message box just long enough to photograph it and answers its affirmative button.
class CameraPrompt : public UserPrompt {
  public:
    explicit CameraPrompt(Camera& camera) : m_camera(camera) {}
    using UserPrompt::show;
    PromptAnswer show(const PromptMessage& m) override {
        QMessageBox box(m.icon == PromptIcon::Exclamation   ? QMessageBox::Warning
                        : m.icon == PromptIcon::Question    ? QMessageBox::Question
                        : m.icon == PromptIcon::Information ? QMessageBox::Information
                                                            : QMessageBox::NoIcon,
                        QString::fromStdString(m.caption), QString::fromStdString(m.text));
        box.setStandardButtons(m.buttons == PromptButtons::Ok         ? QMessageBox::Ok
                               : m.buttons == PromptButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                                      : QMessageBox::Yes | QMessageBox::No);
        m_camera.shoot(box, QStringLiteral("message-") + slug(QString::fromStdString(m.text)));
        return m.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }

  private:
    Camera& m_camera;
};

}  // namespace

int renderScreenshots(const QString& directory, const QString& programDirectory) {
    QDir dir(directory);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "screenshots: cannot create %s\n", qPrintable(directory));
        return 1;
    }
    Camera camera(dir);
    CameraPrompt prompt(camera);
    QTemporaryDir work;
    const QString archive = QDir(work.path()).filePath(QStringLiteral("radio.sfp"));
    const QString programDir = work.path();
    for (const char* picture : {pictureFile::Title, pictureFile::PortableSetup, pictureFile::MobileSetup})
        QFile::copy(programDirectory + QLatin1Char('/') + QLatin1String(picture),
                    programDir + QLatin1Char('/') + QLatin1String(picture));

    // The simulated portable answers on a virtual line in virtual time.
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::named("portable"));
    SimPeer peer(radio);
    line.setPeer(&peer);
    VirtualPortOpener opener(line);
    LinkContext context;
    context.programDirectory = programDir.toStdString();
    context.opener = &opener;
    context.clock = &clock;
    ScopedLinkContext scoped(context);
    comIni::write(programDir.toStdString(), 1);

    ShellHooks hooks;
    hooks.chooseFile = [&](FileDialogKind kind, const QString&) {
        return kind == FileDialogKind::SavePdf ? QDir(work.path()).filePath(QStringLiteral("report.pdf"))
                                               : archive;
    };
    hooks.runDialog = [&](QDialog& d) {
        if (d.objectName() == QLatin1String("TApxPreviewWin")) {
            d.setWindowState(Qt::WindowNoState);
            d.resize(1000, 720);
        }
        camera.shoot(d, slug(d.windowTitle()));
        d.hide();
    };
    hooks.printerAvailable = [] { return true; };
    hooks.printDialog = [](QPrinter&) { return false; };

    StartOptions options;
    options.programDirectory = programDir;
    options.profilePath = QDir(work.path()).filePath(QStringLiteral("Vantrel.ini"));
    TVantrelApp app(options, prompt, hooks);
    if (app.start(false) != 0)
        return 1;
    TVantrelFrame& frame = *app.frame();
    frame.resize(1100, 760);
    frame.show();
    camera.shoot(frame, QStringLiteral("main-no-data"));

    // Open menus over the window as the technician sees them.
    auto shootMenu = [&](const QString& title, const QString& name) {
        for (QAction* a : frame.menuBar()->actions()) {
            if (a->text() == title && a->menu()) {
                QMenu* menu = a->menu();
                menu->popup(frame.mapToGlobal(frame.menuBar()->actionGeometry(a).bottomLeft()));
                camera.shoot(*menu, name);
                menu->hide();
            }
        }
    };
    shootMenu(QStringLiteral("&File"), QStringLiteral("menu-file-no-data"));

    frame.execute(cmd::CommSettings);
    frame.execute(cmd::RadioInfo);
    frame.execute(cmd::About);

    TSplashWindow splash(programDir + QLatin1Char('/') + QLatin1String(pictureFile::Title),
                         QStringLiteral("Reading Softpots from radio..."));
    splash.SetText("40% Complete");
    splash.SetPercentDone(40);
    camera.shoot(splash, QStringLiteral("progress-window"));
    splash.hide();

    autoTuneDialog autoTune(&frame);
    camera.shoot(autoTune, QStringLiteral("auto-tune-box"));
    autoTune.hide();

    frame.execute(cmd::ReadRadio);
    camera.shoot(frame, QStringLiteral("main-radio-read"));
    shootMenu(QStringLiteral("&Tx Align"), QStringLiteral("menu-tx-align-radio-read"));
    shootMenu(QStringLiteral("&Rx Align"), QStringLiteral("menu-rx-align-radio-read"));
    shootMenu(QStringLiteral("&Utilities"), QStringLiteral("menu-utilities-radio-read"));
    frame.execute(cmd::RadioInfo);

    // The tuning screens over the radio just read: as opened, and keyed at their first point.
    for (auto [command, name] : {std::pair{cmd::TxHighPower, "screen-transmit-high-power"},
                                 std::pair{cmd::TxLowPower, "screen-transmit-low-power"}}) {
        frame.execute(command);
        QMdiSubWindow* child = frame.client()->activeSubWindow();
        camera.shoot(frame, QLatin1String(name));
        if (auto* screen = child ? qobject_cast<TTuningScreen*>(child->widget()) : nullptr) {
            screen->togglePtt();
            camera.shoot(*child, QLatin1String(name) + QStringLiteral("-keyed"));
            screen->togglePtt();
        }
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frame.execute(cmd::PortableSetup);
    camera.shoot(frame, QStringLiteral("main-setup-picture-open"));
    frame.execute(cmd::MobileSetup);
    frame.execute(cmd::PrintPreview);
    frame.client()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    frame.execute(cmd::PrintPreview);
    frame.show();
    frame.execute(cmd::SaveArchive);
    frame.execute(cmd::ProgramAll);
    frame.execute(cmd::LoadArchive);
    camera.shoot(frame, QStringLiteral("main-archive-loaded"));

    app.showHelp(helpContext::Index);
    camera.shoot(*app.helpWindow(), QStringLiteral("help-index"));
    app.showHelp(40002);
    camera.shoot(*app.helpWindow(), QStringLiteral("help-transmit-power"));
    app.helpWindow()->hide();
    return camera.failed() ? 1 : 0;
}

}  // namespace vantrel
