// Start-up paths: COM.INI missing (cancel or choose), the installed folders, archive on the command line,
// recent files, exit reset.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/RecentFileList.h"
#include "app/TCommSetupDialog.h"
#include "app/THelpWindow.h"
#include "app/TLinkMonitorWindow.h"
#include "link/RF_CommunicationSetup.h"
#include "operations/fileModule.h"
#include "radio/radioStorage.h"

namespace vantrel::test {

namespace {

/// A portable record with the given tuning procedure, written as an archive at path.
void writeArchive(const QString& path, int procedure) {
    radioStorage record;
    record.setSerialNo("AR12345678");
    record.setModelNo("P47MSC6A1LAN    ");
    record.setDataVersion(35);
    record.setTuningProcedure(procedure);
    record.setValue(0, 7, 5200);
    for (int k = 0; k < 7; ++k) {
        record.setValue(0, k, 400 + 100 * k);
        record.setValue(0, 14 + k, 400 + 100 * k);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(fileModule::encodeArchive(record, 1234)));
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void missingComIniAndCancelEndsWithTheMessage() {
        Shell shell("portable", false);
        QCOMPARE(shell.start(), -1);
        QCOMPARE(shell.dialogsRun, QStringList{"User COM Port Selection"});
        QCOMPARE(shell.prompt().shown().size(), size_t(1));
        const PromptMessage& m = shell.prompt().shown()[0];
        QCOMPARE(m.text, std::string("COM.INI could not be created. Exiting Application"));
        QCOMPARE(m.caption, std::string("COM PORT INITIALIZATION ERROR"));
        QCOMPARE(m.icon, PromptIcon::Exclamation);
        QVERIFY(!shell.app().frame());
    }

    void missingComIniChosenInTheDialogStartsNormally() {
        Shell shell("portable", false);
        shell.onDialog = [](QDialog& d) {
            auto& settings = dynamic_cast<TCommSetupDialog&>(d);
            settings.choose(2);
            settings.apply();
        };
        QCOMPARE(shell.start(), 0);
        QFile ini(shell.path("COM.INI"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("COM Port Id :2\n "));
        QVERIFY(shell.prompt().shown().empty());
        QVERIFY(shell.app().frame());
    }

    void installedFoldersKeepTheUsersFilesApart() {
        // Installed: COM.INI in the settings folder, display.txt in the work folder, nothing beside
        // the program.
        Shell shell("portable", false);
        const QString settings = shell.path("config"), work = shell.path("work");
        QVERIFY(QDir().mkpath(settings) && QDir().mkpath(work));
        comIni::write(settings.toStdString(), 1);
        shell.settingsDirectory = settings;
        shell.workDirectory = work;
        shell.dataDirectory = shell.path("share");
        QCOMPARE(shell.start(), 0);
        QVERIFY(shell.dialogsRun.isEmpty());

        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.messages().contains("NOTE|Radio has been successfully read !!"));
        QCOMPARE(QDir::current(), QDir(work));
        shell.printerAvailable = false;
        shell.run(cmd::PrintPreview);
        QVERIFY(QFile::exists(work + "/display.txt"));

        shell.onDialog = [](QDialog& d) {
            if (auto* ports = dynamic_cast<TCommSetupDialog*>(&d)) {
                ports->choose(3);
                ports->apply();
            }
        };
        shell.run(cmd::CommSettings);
        QCOMPARE(comIni::read(settings.toStdString()), 3);
        QVERIFY(!QFile::exists(shell.path("COM.INI")));
        QVERIFY(!QFile::exists(shell.path("display.txt")));
    }

    void archiveOnTheCommandLineIsLoaded() {
        Shell shell;
        const QString archive = shell.path("bench radio.sfp");
        writeArchive(archive, 1);
        // The arguments are joined by single blanks: a path with a blank survives being split.
        QCOMPARE(shell.start(archive.split(' ')), 0);
        QCOMPARE(shell.messages(), QStringList{"NOTE|Tuning data has been loaded."});
        QVERIFY(shell.client().archiveLoaded());
        QVERIFY(shell.client().tuningAllowed());
        QVERIFY(shell.client().statusText().startsWith("Radio Serial No :AR12345678"));
        QVERIFY(shell.client().statusText().contains(QString(95, ' ') + "Radio Model No: P47MSC6A1L"));
        QCOMPARE(QByteArray(shell.client().record().getUuid()), QByteArray("NULL            "));
    }

    void archiveWithProcedureThreeBlocksScreens() {
        Shell shell;
        const QString archive = shell.path("proc3.sfp");
        writeArchive(archive, 3);
        shell.start({archive});
        FakeScreenFactory& screens = shell.fakeScreens();
        QCOMPARE(shell.messages(), QStringList{"NOTE|Archive file contains invalid Tuning Procedure Version. "
                                               "All tuning operations blocked"});
        QVERIFY(!shell.client().archiveLoaded());
        QVERIFY(!shell.client().tuningAllowed());
        QCOMPARE(shell.client().statusText(),
                 QString("No archive file or radio is currently loaded or connected"));
        // Commands whose enabler does not look at the data still run; their screen goes at once.
        shell.client().cmOpenScreen(cmd::RatedVolumeCarrier);
        Shell::settle();
        QCOMPARE(screens.requests.size(), size_t(1));
        QCOMPARE(shell.client().subWindowList().size(), 0);
        QCOMPARE(shell.app().openScreenCode(), 0);
    }

    void droppedFilesOpenAsTextAndJoinTheRecentList() {
        Shell shell;
        shell.start();
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            paths << shell.path(QString("note%1.txt").arg(i));
            QFile f(paths.last());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("line\n");
        }
        for (const QString& p : paths) shell.client().openDroppedFile(p);
        QCOMPARE(shell.client().subWindowList().size(), 5);
        QSettings ini(shell.path("Vantrel.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("MRU/Count").toInt(), 4);
        QCOMPARE(ini.value("MRU/MRU0").toString(), paths[4]);
        QCOMPARE(ini.value("MRU/MRU3").toString(), paths[1]);
        // Reopening moves an entry to the front without duplicating it.
        shell.client().openDroppedFile(paths[2]);
        RecentFileList again(shell.path("Vantrel.ini"));
        QCOMPARE(again.entries(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));

        shell.prompt().clear();
        shell.client().openDroppedFile(shell.path("gone.txt"));
        QCOMPARE(shell.prompt().shown().size(), size_t(1));
        QCOMPARE(shell.prompt().shown()[0].caption, std::string("ERROR"));
    }

    void exitResetReachesTheRadioAndIgnoresFailures() {
        Shell shell;
        shell.start();
        shell.line().clearSent();
        unsigned opened = shell.line().openCount();
        TVantrelApp::resetRadioAtExit();
        QCOMPARE(shell.line().openCount(), opened + 1);
        QVERIFY(!shell.line().sentBytes().empty());
        QVERIFY(!shell.line().deviceOpen());

        comIni::write(shell.path("").toStdString(), 3);  // no radio answers on COM3
        TVantrelApp::resetRadioAtExit();
        shell.line().disconnect();
        comIni::write(shell.path("").toStdString(), 1);
        TVantrelApp::resetRadioAtExit();
    }

    void exitClosesTheToolWindowsSoTheProgramEndsAtOnce() {
        Shell shell;
        shell.start();
        shell.frame().show();
        QVERIFY(shell.run(cmd::LinkMonitor));
        QVERIFY(shell.run(cmd::HelpIndex));
        QVERIFY(shell.app().monitorWindow()->isVisible());
        QVERIFY(shell.app().helpWindow()->isVisible());
        // The message loop ends (and the reset at exit follows) when the last window that keeps the
        // program running closes: the main window must be that window.
        for (QWidget* tool : {static_cast<QWidget*>(shell.app().monitorWindow()),
                              static_cast<QWidget*>(shell.app().helpWindow())})
            QVERIFY(!tool->testAttribute(Qt::WA_QuitOnClose));
        QVERIFY(shell.run(cmd::Exit));
        QVERIFY(!shell.frame().isVisible());
        QVERIFY(!shell.app().monitorWindow()->isVisible());
        QVERIFY(!shell.app().helpWindow()->isVisible());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible() || !w->testAttribute(Qt::WA_QuitOnClose), qPrintable(w->objectName()));
    }
};

std::unique_ptr<QObject> makeStartupTest() {
    return std::make_unique<StartupTest>();
}

}  // namespace vantrel::test

#include "StartupTest.moc"
