// The power screens inside the shell: their commands, the window-open rule, help, and leaving the program.
#include <QDir>
#include <QMdiSubWindow>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "app/CommandTable.h"
#include "app/ScreenFactory.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "link/RF_CommunicationSetup.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"

namespace vantrel::test {

namespace {

/// The whole application on the bench's radio, with the tuning screens installed.
class ShellRig {
  public:
    ShellRig() {
        QDir::setCurrent(bench.dir.path());
        setScreenFactory(makeTuningScreenFactory());
        ShellHooks hooks;
        hooks.chooseFile = [](FileDialogKind, const QString&) { return QString(); };
        hooks.runDialog = [](QDialog&) {};
        hooks.printerAvailable = [] { return false; };
        hooks.printDialog = [](QPrinter&) { return false; };
        StartOptions options;
        options.programDirectory = bench.dir.path();
        options.profilePath = QDir(bench.dir.path()).filePath(QStringLiteral("Vantrel.ini"));
        app = std::make_unique<TVantrelApp>(options, bench.prompt, hooks);
        app->start(false);
        linkContext().idleHook = nullptr;
    }
    ~ShellRig() {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        setScreenFactory(nullptr);
    }
    bool run(int id) {
        app->frame()->updateCommandStates();
        if (!app->frame()->isAvailable(id))
            return false;
        app->frame()->execute(id);
        return true;
    }
    TVantrelMDIClient& client() { return *app->client(); }
    TTuningScreen* screen() {
        QList<QMdiSubWindow*> children = client().subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<TTuningScreen*>(children.first()->widget());
    }

    ScreenBench bench;
    std::unique_ptr<TVantrelApp> app;
};

}  // namespace

class ShellScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void commandsOpenTheScreensWithTheirCodesCaptionsAndHelp() {
        ShellRig rig;
        QVERIFY(rig.run(cmd::ReadRadio));
        QVERIFY(rig.run(cmd::TxHighPower));
        QCOMPARE(rig.app->openScreenCode(), 2);
        QVERIFY(dynamic_cast<TTransmitHighPowerWindow*>(rig.screen()));
        QMdiSubWindow* child = rig.client().subWindowList().first();
        QCOMPARE(child->windowTitle(), QString("Transmit High Power"));
        QCOMPARE(child->pos(), QPoint(50, 50));
        rig.app->contextHelp();
        QCOMPARE(rig.app->lastHelpContext(), rig.screen()->procedure().helpContext);
        QCOMPARE(rig.app->lastHelpContext(), 40002);
        QVERIFY(!rig.app->frame()->isAvailable(cmd::ReadRadio));

        rig.bench.mark();
        child->close();
        QCOMPARE(rig.bench.requests(), (QStringList{"K 0", "X"}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rig.app->openScreenCode(), 0);

        QVERIFY(rig.run(cmd::TxLowPower));
        QCOMPARE(rig.app->openScreenCode(), 3);
        QVERIFY(dynamic_cast<TTransmitLowPowerWindow*>(rig.screen()));
        QCOMPARE(rig.client().subWindowList().first()->windowTitle(), QString("Transmit Low Power"));
        rig.app->contextHelp();
        QCOMPARE(rig.app->lastHelpContext(), 40002);
    }

    void aBusyPortAtOpeningRemovesTheWindowAndFreesTheCode() {
        ShellRig rig;
        rig.run(cmd::ReadRadio);
        rig.bench.mark();
        rig.bench.holdPort();
        QVERIFY(rig.run(cmd::TxLowPower));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rig.app->openScreenCode(), 0);
        QVERIFY(rig.client().subWindowList().isEmpty());
        QCOMPARE(rig.bench.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
        rig.bench.releasePort();
        QVERIFY(rig.run(cmd::TxLowPower));
        QCOMPARE(rig.app->openScreenCode(), 3);
    }

    void aMismatchAnsweredOkRunsTheReadCommandWhileTheScreenIsOpen() {
        ShellRig rig;
        rig.run(cmd::ReadRadio);
        rig.run(cmd::TxLowPower);
        rig.client().record().setSerialNo("SOMEBODY01");
        rig.bench.mark();
        rig.screen()->program();
        QCOMPARE(rig.bench.messages(), (QStringList{"WARNING|Serial No. mismatch!! Read in new radio?",
                                                    "NOTE|Radio has been successfully read !!"}));
        QCOMPARE(QString(rig.client().record().getSerialNo()), QString("PT00000001"));
        QCOMPARE(rig.app->openScreenCode(), 3);
    }

    void closingTheMainWindowWhileKeyedDekeysResetsAndExitResetsAgain() {
        ShellRig rig;
        rig.run(cmd::ReadRadio);
        rig.run(cmd::TxHighPower);
        rig.screen()->togglePtt();
        QVERIFY(rig.bench.radio.keyed());
        rig.bench.mark();
        QVERIFY(rig.app->frame()->close());
        QVERIFY(!rig.bench.radio.keyed());
        QCOMPARE(rig.bench.requests(), (QStringList{"K 0", "X"}));
        TVantrelApp::resetRadioAtExit();
        QCOMPARE(rig.bench.requests(), (QStringList{"K 0", "X", "X"}));
    }

    void endingTheApplicationWithAKeyedScreenStillDekeysIt() {
        ShellRig rig;
        rig.run(cmd::ReadRadio);
        rig.run(cmd::TxLowPower);
        rig.screen()->togglePtt();
        rig.bench.mark();
        rig.app.reset();
        QVERIFY(!rig.bench.radio.keyed());
        QCOMPARE(rig.bench.requests(), (QStringList{"K 0", "X"}));
    }
};

std::unique_ptr<QObject> makeShellScreenTest() {
    return std::make_unique<ShellScreenTest>();
}

}  // namespace vantrel::test

#include "ShellScreenTest.moc"
