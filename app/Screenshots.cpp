// Screenshot rendering: the shell against a simulated radio on a virtual line, every window to PNG.
#include "app/Screenshots.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <deque>
#include <functional>
#include <tuple>

#include "app/CommandTable.h"
#include "app/Pictures.h"
#include "app/ProcedureCatalogue.h"
#include "app/QtUserPrompt.h"
#include "app/TApxPreviewWin.h"
#include "app/TCompareWindow.h"
#include "app/THelpWindow.h"
#include "app/TLinkMonitorWindow.h"
#include "app/TSplashWindow.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "app/autoTuneDialog.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "link/portMapping.h"
#include "operations/ProgressSink.h"
#include "operations/radioOperations.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TPABiasWindows.h"
#include "screens/TPAVoltageLimitWindow.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTuningScreen.h"
#include "screens/TUpDown.h"
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
    /// The answer to the next message instead of its affirmative button.
    void answerNext(PromptAnswer answer) { m_script.push_back(answer); }
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
        if (!m_script.empty()) {
            const PromptAnswer a = m_script.front();
            m_script.pop_front();
            return a;
        }
        return m.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }

  private:
    Camera& m_camera;
    std::deque<PromptAnswer> m_script;
};

/// Opens the screen of `command` on its own over a radio of `profile` (one the main window's portable
/// cannot show), runs `action` on it and photographs it.
template <class Action>
void shootOnRadio(Camera& camera, UserPrompt& prompt, const QString& programDir, const char* profile,
                  int command, const QString& name, Action action) {
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::named(profile));
    SimPeer peer(radio);
    line.setPeer(&peer);
    VirtualPortOpener opener(line);
    LinkContext context;
    context.programDirectory = programDir.toStdString();
    context.opener = &opener;
    context.clock = &clock;
    ScopedLinkContext scoped(context);
    radioStorage record;
    radioOperations operations;
    NullProgress progress;
    operations.readRadio(record, progress);
    int code = 0;
    screenEnvironment environment;
    environment.record = &record;
    environment.operations = &operations;
    environment.openScreenCode = &code;
    environment.prompt = &prompt;
    environment.identity = identityFor(command);
    const ProcedureEntry* entry = findProcedure(command);
    if (!entry || !entry->create)
        return;
    std::unique_ptr<QWidget> screen(entry->create(environment));
    screen->setWindowTitle(environment.identity.childCaption);
    screen->show();
    action(*screen);
    camera.shoot(*screen, name);
    screen->close();
}

/// A by-id folder of the shots' own: one adapter that leads to a pseudo-terminal held open for the
/// session, and a mapping to it and to an adapter that is gone.
struct BenchAdapters {
    explicit BenchAdapters(const QString& work) : directory(QDir(work).filePath(QStringLiteral("by-id"))) {
        QDir().mkpath(directory);
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char* tty =
            master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 ? ::ptsname(master) : nullptr;
        const QString present =
            QDir(directory).filePath(QStringLiteral("usb-Vantrel_Bench_Cable_0001-if00-port0"));
        if (tty && QFile::link(QString::fromLatin1(tty), present))
            mapping[1] = present.toStdString();
        mapping[3] =
            QDir(directory).filePath(QStringLiteral("usb-Vantrel_Bench_Cable_0007-if00-port0")).toStdString();
    }
    ~BenchAdapters() {
        if (master >= 0)
            ::close(master);
    }
    BenchAdapters(const BenchAdapters&) = delete;
    BenchAdapters& operator=(const BenchAdapters&) = delete;

    QString directory;
    PortMapping mapping;
    int master = -1;
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
    // The settings dialog shows COM 1 mapped to a bench adapter (a pseudo-terminal) and COM 3 to one
    // that is not plugged in.
    const BenchAdapters adapters(work.path());
    ScopedSerialAdapterDirectory adapterFolder(adapters.directory.toStdString());
    ScopedLinkContext scoped(context);
    comIni::write(programDir.toStdString(), 1);
    writePortMapping(programDir.toStdString(), adapters.mapping);

    ShellHooks hooks;
    hooks.chooseFile = [&](FileDialogKind kind, const QString&) {
        return kind == FileDialogKind::SavePdf ? QDir(work.path()).filePath(QStringLiteral("report.pdf"))
                                               : archive;
    };
    bool beforeAfterShot = false;
    bool plotsShot = false;
    hooks.runDialog = [&](QDialog& d) {
        if (d.objectName() == QLatin1String("TApxPreviewWin")) {
            d.setWindowState(Qt::WindowNoState);
            d.resize(1000, 720);
            if (beforeAfterShot) {
                auto& preview = static_cast<TApxPreviewWin&>(d);
                if (QAction* option = preview.beforeAfterAction()) {
                    option->trigger();
                    camera.shoot(d, QStringLiteral("preview-before-after"));
                    d.hide();
                    return;
                }
            }
        }
        camera.shoot(d, slug(d.windowTitle()));
        // The report's plots once, on the page they add after the text.
        auto* preview = dynamic_cast<TApxPreviewWin*>(&d);
        if (preview && !plotsShot && preview->showPlotsAction()->isEnabled()) {
            plotsShot = true;
            preview->setShowPlots(true);
            while (preview->currentPage() < preview->pageCount()) preview->nextPage();
            camera.shoot(d, QStringLiteral("preview-window-plots"));
        }
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

    // Every tuning screen the radio just read offers: as opened, and keyed at its first point. The
    // file is named after the window's caption ("screen-transmit-high-power").
    for (const ProcedureEntry& entry : procedureCatalogue()) {
        frame.updateCommandStates();
        if (!entry.create || !frame.isAvailable(entry.commandId))
            continue;
        const QString name =
            QStringLiteral("screen-") +
            QString::fromLatin1(entry.childCaption)
                .toLower()
                .replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"))
                .remove(QRegularExpression(QStringLiteral("-$")));
        frame.execute(entry.commandId);
        QMdiSubWindow* child = frame.client()->activeSubWindow();
        if (!child)
            continue;  // the command said why it opened nothing (that message has its own picture)
        camera.shoot(frame, name);
        auto* screen = child ? qobject_cast<TTuningScreen*>(child->widget()) : nullptr;
        if (screen && screen->pttButton() && screen->pttButton()->isEnabled()) {
            screen->togglePtt();
            camera.shoot(*child, name + QStringLiteral("-keyed"));
            screen->togglePtt();
        } else if (auto* squelch = qobject_cast<TAutoSquelchWindow*>(screen)) {
            squelch->autoTuneRow(1);
            camera.shoot(*child, name + QStringLiteral("-auto-tuned"));
        }
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frame.execute(cmd::LinkMonitor);
    camera.shoot(*app.monitorWindow(), QStringLiteral("link-monitor"));
    app.monitorWindow()->hide();
    // The PA bias screens after the supply screening: the normal ones (current below 100 mA) with a bias
    // toggled on, then a default one (above).
    auto shootPaBias = [&](int command, const char* name) {
        frame.execute(command);
        QMdiSubWindow* child = frame.client()->activeSubWindow();
        camera.shoot(frame, QLatin1String(name));
        if (auto* screen = child ? qobject_cast<TPABiasWindow*>(child->widget()) : nullptr) {
            const int row = screen->rowOf(TPABiasWindow::biasRow::Bias2);
            if (row >= 0) {
                screen->toggleRow(row);
                camera.shoot(*child, QLatin1String(name) + QStringLiteral("-bias-2"));
            }
        }
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    for (auto [command, name] : {std::pair{cmd::PaBiasHigh, "screen-pa-bias-high-power"},
                                 std::pair{cmd::PaBiasLow, "screen-pa-bias-low-power"}}) {
        prompt.answerNext(PromptAnswer::Ok);
        prompt.answerNext(PromptAnswer::No);
        shootPaBias(command, name);
    }
    shootPaBias(cmd::PaBiasHigh, "screen-pa-bias-default-high-power");
    // Receive mode belongs to the K and F high-power mobiles: the record poses as one for a moment.
    radioStorage& record = frame.client()->record();
    const std::string model = record.getModelNo();
    record.setModelNo("M52KSC7B4W      ");
    shootPaBias(cmd::PaBiasRxMode, "screen-pa-bias-rx-mode");
    record.setModelNo(model);
    // Screens of other radios than the portable.
    shootOnRadio(camera, prompt, programDir, "mobile", cmd::PaVoltageLimit,
                 QStringLiteral("screen-pa-voltage-limit"), [](QWidget& w) {
                     if (auto* screen = qobject_cast<TPAVoltageLimitWindow*>(&w))
                         screen->autoTune();
                 });
    shootOnRadio(camera, prompt, programDir, "brightline", cmd::RatedVolumeBrightline,
                 QStringLiteral("screen-rated-volume-brightline"), [](QWidget&) {});
    shootOnRadio(camera, prompt, programDir, "high-power-mobile", cmd::FrontEndFilter,
                 QStringLiteral("screen-front-end-filter-rssi-dac"), [](QWidget& w) {
                     if (auto* screen = qobject_cast<TTuningScreen*>(&w))
                         screen->valueAction(0);
                 });

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

    // The archive against the record after some tuning: a changed value, a data set given up, another
    // serial number; then the report with its "Before" column from that archive.
    {
        radioStorage& record = frame.client()->record();
        const int f3 = col::TxPowerHigh + 2;
        record.setValue(row::TxPower, f3, record.getValue(row::TxPower, f3) + 6);
        record.setValue(row::ModAttenuation, col::SetThird + 4,
                        record.getValue(row::ModAttenuation, col::SetThird + 4) - 2);
        record.markUnsupported(flag::Rssi);
        frame.execute(cmd::CompareArchive);
        if (QMdiSubWindow* child = frame.client()->activeSubWindow()) {
            child->resize(700, 600);
            camera.shoot(frame, QStringLiteral("compare-archive"));
            if (auto* compare = qobject_cast<TCompareWindow*>(child->widget())) {
                compare->differencesOnlyBox()->setChecked(true);
                camera.shoot(*child, QStringLiteral("compare-archive-differences-only"));
            }
        }
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        beforeAfterShot = true;
        frame.execute(cmd::PrintPreview);
        beforeAfterShot = false;
    }

    // The utilities: temp comp on the portable, then radios that need the other two windows.
    auto shootUtility = [&](int command, const QString& name) {
        frame.execute(command);
        if (QMdiSubWindow* child = frame.client()->activeSubWindow())
            camera.shoot(*child, name);
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    frame.execute(cmd::ReadRadio);
    shootUtility(cmd::TempCompRead, QStringLiteral("utility-temp-comp-read"));
    shootUtility(cmd::TempCompWrite, QStringLiteral("utility-temp-comp-write"));
    for (const auto& profileDir : SimProfile::searchPath()) {
        const QString config = QString::fromStdString((profileDir / "bbo.cfg").string());
        if (QFile::exists(config)) {
            QFile::copy(config, QDir(programDir).filePath(QStringLiteral("bbo.cfg")));
            break;
        }
    }
    for (auto [profile, command, name] :
         {std::tuple{"bbo-codeplug-long", cmd::BasebandOffset, "utility-baseband-offset-table"},
          std::tuple{"bbo-radio", cmd::BasebandOffset, "utility-baseband-offset-radio"},
          std::tuple{"blank-serial", cmd::ProgramSerialNo, "utility-program-serial-no"}}) {
        SimRadio other(SimProfile::named(profile));
        SimPeer otherPeer(other);
        line.setPeer(&otherPeer);
        frame.execute(cmd::ReadRadio);
        shootUtility(command, QLatin1String(name));
        line.setPeer(&peer);
    }

    app.showHelp(helpContext::Index);
    camera.shoot(*app.helpWindow(), QStringLiteral("help-index"));
    app.showHelp(40002);
    camera.shoot(*app.helpWindow(), QStringLiteral("help-transmit-power"));
    app.helpWindow()->hide();

    // A low-band mobile: K and M power, the transmit DAC and the battery threshold.
    SimRadio mobile(SimProfile::named("lowband-mobile"));
    SimPeer mobilePeer(mobile);
    line.setPeer(&mobilePeer);
    frame.execute(cmd::ReadRadio);
    camera.shoot(frame, QStringLiteral("main-mobile-read"));
    shootMenu(QStringLiteral("&Tx Align"), QStringLiteral("menu-tx-align-mobile-read"));
    auto shootScreen = [&](int command, const QString& name, const std::function<void(QWidget&)>& keyed) {
        frame.execute(command);
        QMdiSubWindow* child = frame.client()->activeSubWindow();
        camera.shoot(frame, name);
        if (child && keyed) {
            keyed(*child->widget());
            camera.shoot(*child, name + QStringLiteral("-keyed"));
        }
        frame.client()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    shootScreen(cmd::KmTuning, QStringLiteral("screen-km-power"), [](QWidget& w) {
        if (auto* km = qobject_cast<TMobilePowerTuneHI*>(&w)) {
            km->powerBox(1)->setText(QStringLiteral("24.5"));
            km->powerBox(8)->setText(QStringLiteral("6.1"));
            km->togglePtt();
        }
    });
    // DAC 2 keyed at 10, below DAC 1: closing warns.
    shootScreen(cmd::TransmitDac, QStringLiteral("screen-transmit-dac"), [](QWidget& w) {
        if (auto* dac = qobject_cast<TTransmitDACWindow*>(&w)) {
            dac->upDown(1)->setPosition(10);
            dac->valueAction(1);
            dac->togglePtt();
        }
    });
    shootScreen(cmd::BatteryThreshold, QStringLiteral("screen-battery-threshold"), nullptr);
    return camera.failed() ? 1 : 0;
}

}  // namespace vantrel
