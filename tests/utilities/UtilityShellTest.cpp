// The utilities inside the shell: the Utilities menu opens each window with its code and caption.
#include <QDir>
#include <QMdiSubWindow>
#include <QTest>

#include "../support/QuietApp.h"
#include "UtilitiesTests.h"
#include "UtilityBench.h"
#include "app/CommandTable.h"
#include "app/ScreenFactory.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "utilities/TBasebandUpdateWindow.h"
#include "utilities/TSerialProgramWindow.h"
#include "utilities/TTempCompWindow.h"

namespace vantrel::test {

namespace {

/// The whole application on the bench's radio, with the screen factory installed.
class ShellRig {
  public:
    explicit ShellRig(const std::string& profile, bool withConfig = true) : bench(profile, withConfig) {
        app = startQuietApp(bench.dir.path(), bench.prompt);
    }
    ~ShellRig() { stopQuietApp(app); }
    bool run(int id) {
        app->frame()->updateCommandStates();
        if (!app->frame()->isAvailable(id))
            return false;
        app->frame()->execute(id);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    QMdiSubWindow* child() {
        QList<QMdiSubWindow*> children = app->client()->subWindowList();
        return children.isEmpty() ? nullptr : children.first();
    }
    void closeChild() {
        child()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    UtilityBench bench;
    std::unique_ptr<TVantrelApp> app;
};

}  // namespace

class UtilityShellTest : public QObject {
    Q_OBJECT
  private slots:
    void serialProgrammingOpensForABlankRadioOnly() {
        ShellRig rig("blank-serial");
        QVERIFY(rig.run(cmd::ReadRadio));
        QVERIFY(rig.run(cmd::ProgramSerialNo));
        QCOMPARE(rig.app->openScreenCode(), 30);
        QVERIFY(qobject_cast<TSerialProgramWindow*>(rig.child()->widget()));
        QCOMPARE(rig.child()->windowTitle(), QString("Program Radio Serial No."));
        QCOMPARE(rig.child()->pos(), QPoint(50, 50));
        rig.app->contextHelp();
        QCOMPARE(rig.app->lastHelpContext(), 40020);
        rig.closeChild();
        QCOMPARE(rig.app->openScreenCode(), 0);

        ShellRig named("portable");
        named.run(cmd::ReadRadio);
        named.bench.mark();
        QVERIFY(named.run(cmd::ProgramSerialNo));
        QCOMPARE(named.bench.messages(), QStringList{" NOTE|Serial No. is not blank"});
        QVERIFY(!named.child());
    }

    void basebandOpensFromTheMenuAndSaysWhenItsFileIsMissing() {
        ShellRig rig("bbo-codeplug", false);
        rig.run(cmd::ReadRadio);
        rig.bench.mark();
        QVERIFY(rig.run(cmd::BasebandOffset));
        QVERIFY(!rig.child());
        QCOMPARE(rig.app->openScreenCode(), 0);
        QCOMPARE(rig.bench.messages(),
                 QStringList{
                     " NOTE|Baseband Offset Utility configuration file is missing.\nPlease contact Kestrane "
                     "for latest configuration file."});
        QFile::copy(QStringLiteral(VANTREL_SIM_PROFILES "/bbo.cfg"), rig.bench.dir.filePath("bbo.cfg"));
        QVERIFY(rig.run(cmd::BasebandOffset));
        QCOMPARE(rig.app->openScreenCode(), 31);
        QVERIFY(qobject_cast<TBasebandUpdateWindow*>(rig.child()->widget()));
        QCOMPARE(rig.child()->windowTitle(), QString("Update Baseband Offset"));
        rig.closeChild();
        QCOMPARE(rig.app->openScreenCode(), 0);
    }

    void tempCompReadAndWriteOpenWithTheirCodes() {
        ShellRig rig("portable");
        rig.run(cmd::ReadRadio);
        QVERIFY(rig.run(cmd::TempCompRead));
        QCOMPARE(rig.app->openScreenCode(), 39);
        auto* reader = qobject_cast<TTempCompWindow*>(rig.child()->widget());
        QVERIFY(reader && !reader->writeMode());
        rig.bench.mark();
        QVERIFY(rig.run(cmd::TempCompWrite));
        QCOMPARE(rig.bench.messages(),
                 QStringList{"NOTE|Please close all windows before writing Temp Comp data"});
        rig.closeChild();
        QVERIFY(rig.run(cmd::TempCompWrite));
        QCOMPARE(rig.app->openScreenCode(), 40);
        QCOMPARE(rig.child()->windowTitle(), QString("Write Temp Comp"));
    }

    void aTempCompReadThatFailsLeavesNoWindowAndNoCode() {
        ShellRig rig("portable");
        rig.run(cmd::ReadRadio);
        rig.bench.silenceFromRequest(1);
        QVERIFY(rig.run(cmd::TempCompRead));
        QVERIFY(!rig.child());
        QCOMPARE(rig.app->openScreenCode(), 0);
    }
};

std::unique_ptr<QObject> makeUtilityShellTest() {
    return std::make_unique<UtilityShellTest>();
}

}  // namespace vantrel::test

#include "UtilityShellTest.moc"
