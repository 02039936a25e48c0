// The dialogs and small windows: port settings, radio information, progress closing, help contexts, printout.
#include <pty.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"
#include "app/TApxPrintout.h"
#include "app/TCommSetupDialog.h"
#include "app/THelpWindow.h"
#include "app/TLinkMonitorWindow.h"
#include "app/TRadioInfoDialog.h"
#include "app/TSplashWindow.h"
#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "link/RF_CommunicationSetup.h"
#include "link/portMapping.h"
#include "radio/radioStorage.h"

namespace vantrel::test {

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QList<bool> checked(TCommSetupDialog& d) {
    QList<bool> out;
    for (int p = 1; p <= 4; ++p) out << d.findChild<QCheckBox*>(QString("com%1").arg(p))->isChecked();
    return out;
}
/// Clicks a port's box on its label, where a check box takes clicks.
void clickPort(TCommSetupDialog& d, int port) {
    QTest::mouseClick(d.findChild<QCheckBox*>(QString("com%1").arg(port)), Qt::LeftButton, {}, QPoint(8, 6));
}
QString status(TCommSetupDialog& d) {
    return d.findChild<QLineEdit*>("status")->text();
}
}  // namespace

class DialogTest : public QObject {
    Q_OBJECT
  private slots:
    void linkMonitorFollowsPausesFiltersAndSaves() {
        Shell shell;
        shell.start();
        QVERIFY(shell.run(cmd::LinkMonitor));
        TLinkMonitorWindow* window = shell.app().monitorWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(shell.run(cmd::ReadRadio));
        QString shown = window->view()->toPlainText();
        QVERIFY(shown.contains("-> read serial number"));
        QVERIFY(shown.contains("<- ACK"));

        window->pauseBox()->setChecked(true);
        const int lines = window->view()->blockCount();
        QVERIFY(shell.run(cmd::ReadRadio));
        QCOMPARE(window->view()->blockCount(), lines);
        window->pauseBox()->setChecked(false);  // what came meanwhile shows now
        QVERIFY(window->view()->blockCount() > lines);

        window->filterBox()->setText("reset");
        const QStringList filtered = window->view()->toPlainText().split('\n');
        QVERIFY(!filtered.isEmpty());
        for (const QString& line : filtered)
            QVERIFY2(line.contains("reset", Qt::CaseInsensitive), qPrintable(line));

        QTemporaryDir dir;
        const QString path = dir.filePath("trace.txt");
        QVERIFY(window->saveTo(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString saved = QString::fromUtf8(file.readAll());
        QVERIFY(saved.startsWith("Vantrel link trace\nProgram version: "));
        QVERIFY(saved.contains("Radio serial number: "));
        QVERIFY(saved.contains("-> read tuning block"));  // the whole trace, not the filtered view
        QVERIFY(!window->saveTo(dir.filePath("missing/trace.txt")));
        QVERIFY(shell.messages().last().startsWith("ERROR|The link trace could not be saved"));
    }

    void commSetupShowsTheConfiguredPort() {
        QTemporaryDir dir;
        TCommSetupDialog missing(nullptr, dir.path());
        QCOMPARE(status(missing), QString("COM Port profile is not currently configured"));
        QCOMPARE(checked(missing), (QList<bool>{false, false, false, false}));
        QCOMPARE(missing.selection(), -1);

        comIni::write(dir.path().toStdString(), 3);
        TCommSetupDialog three(nullptr, dir.path());
        QCOMPARE(checked(three), (QList<bool>{false, false, true, false}));
        QCOMPARE(status(three), QString("COM Port 3 currently selected"));
        // A reading, not a field to fill in: read-only, in the normal (not greyed) text colour.
        QLineEdit* line = three.findChild<QLineEdit*>("status");
        QVERIFY(line->isEnabled());
        QVERIFY(line->isReadOnly());
    }

    void commSetupShowsEachPortsDeviceAndState() {
        int master = -1, slave = -1;
        char name[256] = {};
        QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
        qputenv("VANTREL_COM1", "/dev/vantrel-no-such-port");
        qputenv("VANTREL_COM2", name);
        qputenv("VANTREL_COM3", "/dev/null");
        QTemporaryDir dir;
        comIni::write(dir.path().toStdString(), 2);
        {
            auto held = std::make_unique<PosixSerialDevice>(name);  // as a connection holds it
            TCommSetupDialog d(nullptr, dir.path());
            QCOMPARE(d.deviceLabel(1)->text(), QString("/dev/vantrel-no-such-port: no such device"));
            const QString busy = QString("%1: in use by another program (pid %2 (").arg(name).arg(getpid());
            QVERIFY2(d.deviceLabel(2)->text().startsWith(busy), qPrintable(d.deviceLabel(2)->text()));
            QCOMPARE(d.deviceLabel(3)->text(), QString("/dev/null: not a serial device"));
            QVERIFY(d.deviceLabel(4)->text().startsWith(
                QString::fromStdString(PosixPortOpener::devicePath(4) + ": ")));
            QVERIFY(d.adapterLabel()->text().startsWith("Serial adapters in /dev/serial/by-id:"));
            // A long state (the holder's pid and name) is read whole, not cut at the column's first width:
            // the dialog grows for it, and shrinks again when the state is short.
            const auto readWhole = [&d] {
                for (int port = 1; port <= 4; ++port) {
                    const QLabel* label = d.deviceLabel(port);
                    if (label->fontMetrics().horizontalAdvance(label->text()) > label->width() ||
                        label->geometry().right() >= d.width())
                        return false;
                }
                return true;
            };
            QVERIFY2(readWhole(), qPrintable(d.deviceLabel(2)->text()));
            const int wide = d.width();
            // Every device here may be opened (root, or the owner of the pty): no advice, no room for it.
            QVERIFY(d.permissionMessage()->isHidden());
            // The selection and its texts are as they always were.
            QCOMPARE(checked(d), (QList<bool>{false, true, false, false}));
            QCOMPARE(status(d), QString("COM Port 2 currently selected"));

            held.reset();
            d.refreshDevices();
            QCOMPARE(d.deviceLabel(2)->text(), QString("%1: available").arg(name));
            QVERIFY(readWhole());
            QVERIFY(d.width() <= wide);
        }
        qunsetenv("VANTREL_COM1");
        qunsetenv("VANTREL_COM2");
        qunsetenv("VANTREL_COM3");
        ::close(slave);
        ::close(master);
    }

    void commSetupAdvisesOnDevicesTheUserMayNotOpen() {
        QCOMPARE(TCommSetupDialog::permissionAdvice({}, "rules"), QString());
        const QString advice = TCommSetupDialog::permissionAdvice({"COM1 /dev/ttyS0", "/dev/ttyUSB0"},
                                                                  "/x/60-vantrel-serial.rules");
        QVERIFY2(advice.startsWith("You may not open COM1 /dev/ttyS0, /dev/ttyUSB0."), qPrintable(advice));
        QVERIFY(advice.contains("usermod -aG dialout"));
        QVERIFY(advice.contains("/x/60-vantrel-serial.rules"));
        // Run from the build folder, the example is named where the sources keep it.
        QVERIFY(TCommSetupDialog::udevExamplePath().endsWith("60-vantrel-serial.rules"));
    }

    void commSetupBoxesActAsOneChoiceAndApplyWrites() {
        QTemporaryDir dir;
        comIni::write(dir.path().toStdString(), 1);
        TCommSetupDialog d(nullptr, dir.path());
        d.show();
        clickPort(d, 4);
        QCOMPARE(checked(d), (QList<bool>{false, false, false, true}));
        QCOMPARE(status(d), QString("COM Port 4 currently selected"));
        // Clicking the chosen box again keeps it chosen.
        clickPort(d, 4);
        QCOMPARE(checked(d), (QList<bool>{false, false, false, true}));
        QTest::mouseClick(d.findChild<QPushButton*>("cancel"), Qt::LeftButton);
        QCOMPARE(comIni::read(dir.path().toStdString()), 1);

        TCommSetupDialog again(nullptr, dir.path());
        again.show();
        clickPort(again, 2);
        QTest::mouseClick(again.findChild<QPushButton*>("apply"), Qt::LeftButton);
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(readAll(QString::fromStdString(comIni::path(dir.path().toStdString()))),
                 QByteArray("COM Port Id :2\n "));
    }

    void commSetupMapsAPortToAnAdapterAndKeepsIt() {
        int master = -1, slave = -1;
        char tty[256] = {};
        QCOMPARE(openpty(&master, &slave, tty, nullptr, nullptr), 0);
        QTemporaryDir settings, byId;
        const QString adapter = byId.filePath("usb-Maker_Cable_0042-if00-port0");
        QVERIFY(QFile::link(QString::fromLatin1(tty), adapter));
        LinkContext context;
        context.programDirectory = settings.path().toStdString();
        ScopedLinkContext scoped(context);
        ScopedSerialAdapterDirectory adapters(byId.path().toStdString());
        qunsetenv("VANTREL_COM2");
        comIni::write(settings.path().toStdString(), 1);
        {
            TCommSetupDialog d(nullptr, settings.path());
            d.show();
            QComboBox* box = d.mappingBox(2);
            QCOMPARE(box->count(), 2);
            QCOMPARE(box->currentText(), QString("default: /dev/ttyS1"));
            QCOMPARE(box->itemText(1), QString("usb-Maker_Cable_0042-if00-port0"));
            // The user picks the adapter in COM 2's box.
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClick(box->view(), Qt::Key_Down);
            QTest::keyClick(box->view(), Qt::Key_Return);
            QCOMPARE(box->currentData().toString(), adapter);
            QCOMPARE(d.deviceLabel(2)->text(), QString("%1: available").arg(tty));
            QVERIFY2(d.adapterLabel()->text().endsWith(QString(" -> %1 (mapped to COM2)").arg(tty)),
                     qPrintable(d.adapterLabel()->text()));
            QVERIFY(!QFile::exists(QString::fromStdString(portMappingPath(context.programDirectory))));
            QTest::mouseClick(d.findChild<QPushButton*>("apply"), Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QVERIFY(readPortMapping(context.programDirectory) == (PortMapping{{2, adapter.toStdString()}}));
        QCOMPARE(comIni::read(context.programDirectory), 1);  // COM.INI keeps its port and its format
        QCOMPARE(readAll(QString::fromStdString(comIni::path(context.programDirectory))),
                 QByteArray("COM Port Id :1\n "));
        QCOMPARE(QString::fromStdString(PosixPortOpener::devicePath(2)), adapter);

        // Unplugged: the mapping is shown as missing, not dropped, and Apply keeps it.
        QVERIFY(QFile::remove(adapter));
        {
            TCommSetupDialog d(nullptr, settings.path());
            QCOMPARE(d.mappingBox(2)->currentText(), QString("(missing) usb-Maker_Cable_0042-if00-port0"));
            QCOMPARE(d.deviceLabel(2)->text(), QString("missing: the adapter is not plugged in"));
            d.apply();
        }
        QVERIFY(readPortMapping(context.programDirectory) == (PortMapping{{2, adapter.toStdString()}}));

        // Back to the default.
        {
            TCommSetupDialog d(nullptr, settings.path());
            QVERIFY(d.mapPort(2, QString()));
            QCOMPARE(d.deviceLabel(2)->text().left(11), QString("/dev/ttyS1:"));
            d.apply();
        }
        QVERIFY(readPortMapping(context.programDirectory).empty());
        ::close(slave);
        ::close(master);
    }

    void commSetupTellsAMappingItCannotSaveAndStaysOpen() {
        QTemporaryDir settings, byId;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), byId.filePath("usb-A")));
        ScopedSerialAdapterDirectory adapters(byId.path().toStdString());
        comIni::write(settings.path().toStdString(), 3);
        // Junk in the settings file is told, never fatal.
        QVERIFY(QDir(settings.path()).mkdir(QString::fromLatin1(kPortMappingFileName)));
        TCommSetupDialog d(nullptr, settings.path());
        d.show();
        QVERIFY2(d.mappingMessage()->text().startsWith(QString("%1 ignored: ").arg(kPortMappingFileName)),
                 qPrintable(d.mappingMessage()->text()));
        QVERIFY(d.mapPort(1, byId.filePath("usb-A")));
        QTest::mouseClick(d.findChild<QPushButton*>("apply"), Qt::LeftButton);
        QVERIFY(d.isVisible());
        QVERIFY2(d.mappingMessage()->text().startsWith("The port mapping could not be saved in "),
                 qPrintable(d.mappingMessage()->text()));
        QCOMPARE(comIni::read(settings.path().toStdString()), 3);  // nothing written
        d.reject();
    }

    void radioInfoShowsTheIdentityAsItStands() {
        radioStorage record;
        TRadioInfoDialog d(nullptr, record);
        QCOMPARE(d.windowTitle(), QString("Radio Information"));
        QCOMPARE(d.serialText(), QString("NULL      "));
        QCOMPARE(d.modelText(), QString("NULL            "));
        QVERIFY(d.findChild<QLineEdit*>("serialNo")->isReadOnly());
    }

    void progressClosesFromNinetySixOnly() {
        TSplashWindow w("/nonexistent/title.bmp", "Reading Softpots from radio...");
        w.show();
        w.SetText("95% Complete");
        w.SetPercentDone(95);
        QVERIFY(!w.closeTimer().isActive());
        QVERIFY(w.isVisible());
        QCOMPARE(w.stepText(), QString("95% Complete"));
        w.SetPercentDone(96);
        QVERIFY(w.closeTimer().isActive());
        QCOMPARE(w.closeTimer().interval(), 10);
        QVERIFY(w.closeTimer().isSingleShot());
        w.closeTimerFired();
        QVERIFY(!w.isVisible());
    }

    void progressClickClosesOnlyNearTheEnd() {
        TSplashWindow w("", "Writing Softpots to radio...");
        w.show();
        w.SetPercentDone(50);
        QTest::mouseClick(&w, Qt::LeftButton);
        QVERIFY(w.isVisible());
        w.SetPercentDone(94);
        QTest::mouseClick(&w, Qt::LeftButton);
        QVERIFY(w.isVisible());
        w.SetPercentDone(95);
        QTest::mouseClick(&w, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void helpContextsOfScreens() {
        QCOMPARE(helpContextForScreen(0), helpContext::Index);
        QCOMPARE(helpContextForScreen(2), 40002);
        QCOMPARE(helpContextForScreen(3), 40002);
        QCOMPARE(helpContextForScreen(8), 40004);
        QCOMPARE(helpContextForScreen(12), 40008);
        QCOMPARE(helpContextForScreen(18), 40011);
        QCOMPARE(helpContextForScreen(38), 40012);
        QCOMPARE(helpContextForScreen(31), 40020);
        QCOMPARE(helpContextForScreen(37), 40017);
        QCOMPARE(helpContextForScreen(39), helpContext::Index);
        QCOMPARE(helpContextForScreen(41), helpContext::Index);
        // Every screen context has a topic of its own; command numbers reach their screen's topic.
        for (int context : {40001, 40002, 40003, 40004, 40005, 40006, 40008, 40009, 40010, 40011,
                            40012, 40013, 40014, 40015, 40016, 40017, 40020, 40021, 40023, 40024})
            QCOMPARE(THelpWindow::topicFor(context), QString(":/help/%1.html").arg(context));
        QCOMPARE(THelpWindow::topicFor(cmd::TxLowPower), QString(":/help/40002.html"));
        QCOMPARE(THelpWindow::topicFor(cmd::ReadRadio), QString(":/help/readradio.html"));
        QCOMPARE(THelpWindow::topicFor(99999), QString(":/help/index.html"));
    }

    void f1OpensTheOpenScreensTopicOrTheIndex() {
        Shell shell;
        shell.start();
        shell.frame().show();
        QTest::keyClick(&shell.frame(), Qt::Key_F1);
        QCOMPARE(shell.app().lastHelpContext(), helpContext::Index);
        QVERIFY(shell.app().helpWindow()->currentTopic().endsWith("index.html"));
        shell.app().openScreenCode() = 3;  // transmit low power
        QTest::keyClick(&shell.frame(), Qt::Key_F1);
        QCOMPARE(shell.app().lastHelpContext(), 40002);
        shell.app().openScreenCode() = 0;
    }

    void f1OnAnOpenMenuOpensTheHighlightedCommandsTopic() {
        Shell shell;
        shell.start();
        shell.frame().show();
        QAction* read = shell.frame().action(cmd::ReadRadio);
        QMenu* file = nullptr;
        for (QAction* a : shell.frame().menuBar()->actions())
            if (a->menu() && a->menu()->actions().contains(read))
                file = a->menu();
        QVERIFY(file);
        file->popup(QPoint(10, 10));
        file->setActiveAction(read);
        QTest::keyClick(file, Qt::Key_F1);
        QCOMPARE(shell.app().lastHelpContext(), cmd::ReadRadio);
        QVERIFY(!shell.app().helpMode());
        QVERIFY(!file->isVisible());
        // The command itself did not run.
        QVERIFY(shell.prompt().shown().empty());
    }

    void printoutPagesAndNotice() {
        QTemporaryDir dir;
        QPdfWriter pdf(dir.filePath("t.pdf"));
        QStringList lines;
        for (int i = 0; i < 130; ++i) lines << QString("line %1\tvalue").arg(i);
        int notices = 0;
        TApxPrintout printout("Document", lines.join('\n') + '\n', [&] { ++notices; });
        QCOMPARE(printout.lines().size(), 130);
        int perPage = printout.linesPerPage(pdf);
        QVERIFY(perPage > 10);
        QCOMPARE(printout.pageCount(pdf), (130 + perPage - 1) / perPage);
        QVERIFY(printout.print(pdf));
        QCOMPARE(notices, 1);
        TApxPrintout empty("Document", "");
        QCOMPARE(empty.pageCount(pdf), 1);
    }
};

std::unique_ptr<QObject> makeDialogTest() {
    return std::make_unique<DialogTest>();
}

}  // namespace vantrel::test

#include "DialogTest.moc"
