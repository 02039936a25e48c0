// Read Radio, Program All, the archive commands and printing against the simulated radio in virtual time.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/TApxPreviewWin.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/portMapping.h"
#include "operations/procedureCatalogue.h"
#include "operations/tuningSession.h"
#include "radio/radioStorage.h"
#include "sim/SimFaults.h"

namespace vantrel::test {

namespace {
const QString kNoData = "No archive file or radio is currently loaded or connected";
QString statusFor(const QString& serial, const QString& model) {
    return "Radio Serial No :" + serial + QString(95, ' ') + "Radio Model No: " + model;
}
}  // namespace

class RadioCommandTest : public QObject {
    Q_OBJECT
  private slots:
    void readRadioSucceeds() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        QCOMPARE(shell.messages(), QStringList{"NOTE|Radio has been successfully read !!"});
        QCOMPARE(shell.prompt().shown()[0].icon, PromptIcon::Information);
        QVERIFY(shell.client().radioRead());
        QVERIFY(shell.client().tuningAllowed());
        QCOMPARE(shell.client().statusText(),
                 statusFor("PT00000001", QString::fromLatin1(shell.client().record().getModelNo())));
        QVERIFY(!shell.client().busy());
        QVERIFY(!shell.line().deviceOpen());
    }

    void readRadioPowerUpFailures() {
        Shell shell("powerup-16");
        shell.start();
        shell.run(cmd::ReadRadio);
        QCOMPARE(shell.messages(), (QStringList{"ERROR|Error occured during radio power up!!",
                                                "ERROR|Radio Hardware Failure !! Operation aborted"}));
        QVERIFY(!shell.client().radioRead());
        QCOMPARE(shell.client().statusText(), kNoData);

        Shell one("powerup-1");
        one.start();
        one.run(cmd::ReadRadio);
        QCOMPARE(one.messages(), QStringList{"ERROR|Error occured during radio power up!!"});
    }

    void readRadioWithInvalidPointsClearsTheFlags() {
        Shell shell("no-rx-points");
        shell.start();
        shell.run(cmd::ReadRadio);
        QCOMPARE(shell.messages(), QStringList{"Error !!|All frequency point data is invalid !!"});
        QCOMPARE(shell.prompt().shown()[0].icon, PromptIcon::Exclamation);
        QCOMPARE(QByteArray(shell.client().record().getSerialNo()), QByteArray("Invalid"));
        QVERIFY(!shell.client().radioRead());
        QVERIFY(shell.client().statusText().startsWith("Radio Serial No :Invalid"));
        QVERIFY(!shell.frame().isAvailable(cmd::SaveArchive));
    }

    void readRadioLinkFailureAndPortInUse() {
        Shell shell("portable");
        shell.start();
        shell.radio().addFault(parseSimFault("disconnect@5"));  // the radio goes away part-way
        shell.run(cmd::ReadRadio);
        QCOMPARE(shell.messages().size(), 1);
        // The message as it always read, then the step that failed.
        QVERIFY2(
            shell.messages().first().startsWith("Error !!|Read Radio Failed !! All softpot operational data "
                                                "is invalid !! Please re-read radio\n\nwhile "),
            qPrintable(shell.messages().first()));
        QVERIFY(!shell.client().radioRead());

        Shell other("portable");
        other.start();
        comIni::write(other.path("").toStdString(), 2);  // the radio answers on COM1 only
        other.run(cmd::ReadRadio);
        // The text as it always read, and under it why: one message.
        QCOMPARE(other.messages(),
                 QStringList{
                     " WARNING|COM Port is currently in use by another application\n\nCOM2: no such device"});
        QCOMPARE(other.client().statusText(), kNoData);

        // Program All says it the same way.
        comIni::write(other.path("").toStdString(), 1);
        QVERIFY(other.run(cmd::ReadRadio));
        comIni::write(other.path("").toStdString(), 2);
        other.prompt().clear();
        QVERIFY(other.run(cmd::ProgramAll));
        QCOMPARE(
            other.messages(),
            (QStringList{
                "Note|Program Radio?",
                " WARNING|COM Port is currently in use by another application\n\nCOM2: no such device"}));

        // A port another program holds: the text alone says it all.
        comIni::write(other.path("").toStdString(), 1);
        auto held = other.line().openDevice();
        other.prompt().clear();
        other.run(cmd::ReadRadio);
        QCOMPARE(other.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
    }

    void portMessagesNameTheDeviceOnceUnderTheText() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("ttyUSB7");
        const QString adapter = dir.filePath("usb-FTDI_adapter-if00-port0");
        const QString plain = dir.filePath("plain-file");
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        struct Case {
            const char* name;
            QString environment;  ///< VANTREL_COM1, empty for none
            QString mapped;       ///< the mapping of COM1, empty for none
            QString device;       ///< the path the cause must name once
            QString cause;        ///< what follows the text after the blank line
        };
        const Case cases[] = {
            {"missing device", missing, {}, missing, "no such device: " + missing},
            {"unplugged mapped adapter",
             {},
             adapter,
             adapter,
             "COM1 is mapped to the serial adapter " + adapter + ", which is not plugged in"},
            {"not a serial device", plain, {}, plain, plain + " is not a serial device"},
        };
        const QByteArray saved = qgetenv("VANTREL_COM1");
        for (const Case& c : cases) {
            QFile::remove(QDir(dir.path()).filePath(kPortMappingFileName));
            if (!c.mapped.isEmpty())
                QVERIFY(writePortMapping(dir.path().toStdString(), {{1, c.mapped.toStdString()}}));
            if (c.environment.isEmpty())
                qunsetenv("VANTREL_COM1");
            else
                qputenv("VANTREL_COM1", c.environment.toLocal8Bit());
            LinkContext context;
            context.programDirectory = dir.path().toStdString();
            ScopedLinkContext scope(context);
            comIni::write(context.programDirectory, 1);
            // A window's action on the configured port: the session tells the port's state.
            radioStorage record;
            ScriptedPrompt prompt;
            sessionEnvironment surroundings;
            surroundings.record = &record;
            surroundings.openConnection = configuredPortOpener();
            surroundings.prompt = &prompt;
            tuningSession session(*catalogueNamed("serial-program"),
                                  catalogueNamed("serial-program")->makePiece(surroundings.pieces()),
                                  surroundings);
            QVERIFY2(session.open().kind == sessionOutcome::Kind::PortBusy, c.name);
            QCOMPARE(int(prompt.shown().size()), 1);
            const PromptMessage& shown = prompt.shown().front();
            QCOMPARE(QString::fromStdString(shown.text),
                     QString("COM Port is currently in use by another application\n\n") + c.cause);
            QCOMPARE(QString::fromStdString(shown.caption), QString(" WARNING"));
            QVERIFY2(QString::fromStdString(shown.text).count(c.device) == 1, c.name);
        }
        if (saved.isNull())
            qunsetenv("VANTREL_COM1");
        else
            qputenv("VANTREL_COM1", saved);
    }

    void programAllOutcomes() {
        Shell shell("portable");
        shell.start();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        shell.line().clearSent();
        shell.prompt().answer(PromptAnswer::Cancel);
        shell.run(cmd::ProgramAll);
        QCOMPARE(shell.messages(), QStringList{"Note|Program Radio?"});
        QCOMPARE(shell.prompt().shown()[0].buttons, PromptButtons::OkCancel);
        QVERIFY(shell.line().sentBytes().empty());

        shell.prompt().clear();
        shell.run(cmd::ProgramAll);
        QCOMPARE(shell.messages(),
                 (QStringList{"Note|Program Radio?", "NOTE|Radio successfully programmed!!"}));

        shell.prompt().clear();
        shell.client().record().setSerialNo("OTHER00001");
        shell.run(cmd::ProgramAll);
        QCOMPARE(shell.messages().last(),
                 QString(" Radio Program Error|Serial No. Mismatch !! Program radio aborted"));
        QCOMPARE(shell.prompt().shown().back().icon, PromptIcon::Exclamation);

        shell.prompt().clear();
        shell.client().record().setSerialNo("PT00000001");
        shell.radio().addFault(parseSimFault("silence@3*0"));
        shell.run(cmd::ProgramAll);
        const QString failed = shell.messages().last();
        QVERIFY2(failed.startsWith("ERROR|Program Radio Error\n\nwhile "), qPrintable(failed));
        QVERIFY2(failed.contains("nothing was written") || failed.contains("already written"),
                 qPrintable(failed));
    }

    void saveAndLoadArchive() {
        Shell shell("portable");
        shell.start();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        shell.files << shell.path("bench");
        shell.run(cmd::SaveArchive);
        QCOMPARE(shell.messages(), QStringList{"NOTE|Tuning data has been saved."});
        QVERIFY(QFile::exists(shell.path("bench.sfp")));

        // Cancelling the file dialog or the question changes nothing.
        shell.prompt().clear();
        const QString before = shell.client().statusText();
        shell.run(cmd::LoadArchive);
        shell.files << shell.path("bench.sfp");
        shell.prompt().answer(PromptAnswer::Cancel);
        shell.run(cmd::LoadArchive);
        QCOMPARE(shell.messages(), QStringList{"CONFIRMATION|Initialize radio data?"});
        QVERIFY(shell.client().radioRead());
        QCOMPARE(shell.client().statusText(), before);

        shell.prompt().clear();
        shell.files << shell.path("bench.sfp");
        shell.run(cmd::LoadArchive);
        QCOMPARE(shell.messages(),
                 (QStringList{"CONFIRMATION|Initialize radio data?", "NOTE|Tuning data has been loaded."}));
        QVERIFY(shell.client().archiveLoaded());
        QCOMPARE(QByteArray(shell.client().record().getUuid()), QByteArray("NULL            "));

        // A damaged file: the identity goes back to its start texts and both flags are cleared.
        QFile junk(shell.path("junk.sfp"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not an archive");
        junk.close();
        shell.prompt().clear();
        shell.files << junk.fileName();
        shell.run(cmd::LoadArchive);
        QCOMPARE(shell.messages().last(), QString("ERROR|Invalid file format!! File is not an *.SFP file"));
        QVERIFY(!shell.client().archiveLoaded());
        QVERIFY(!shell.client().radioRead());
        QCOMPARE(QByteArray(shell.client().record().getSerialNo()), QByteArray("NULL      "));
        QCOMPARE(shell.client().statusText(), kNoData);
    }

    void printingNeedsClosedScreensAndAPrinter() {
        Shell shell("portable");
        shell.start();
        shell.run(cmd::ReadRadio);
        shell.run(cmd::PortableSetup);
        shell.prompt().clear();
        shell.run(cmd::PrinterSetup);
        QCOMPARE(shell.messages(), QStringList{"Note|Please close all windows before printing"});
        shell.client().closeAllSubWindows();
        Shell::settle();

        shell.printerAvailable = false;
        shell.prompt().clear();
        shell.run(cmd::PrinterSetup);
        QCOMPARE(shell.messages(), QStringList{"NOTE|Please install Default Printer Device !!"});
        QVERIFY(shell.dialogsRun.isEmpty());
        QFile report(shell.path("display.txt"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(report.readAll().contains("R A D I O   S O F T P O T   D A T A"));
    }

    void previewShowsTheNotificationOncePerPrintout() {
        Shell shell("portable");
        shell.start();
        shell.run(cmd::ReadRadio);
        int pages = 0;
        QString twoPageIndicator;
        shell.onDialog = [&](QDialog& d) {
            if (auto* preview = dynamic_cast<TApxPreviewWin*>(&d)) {
                pages = preview->pageCount();
                QCOMPARE(preview->indicatorText(), QString("Page 1"));
                preview->setTwoPageView(true);
                twoPageIndicator = preview->indicatorText();
                preview->nextPage();
                preview->grab();  // paints the pages again
            }
        };
        shell.run(cmd::PrintPreview);
        QCOMPARE(shell.dialogsRun, (QStringList{"Print Notifcation", "Preview Window"}));
        QVERIFY(pages >= 2);
        QCOMPARE(twoPageIndicator, QString("Page 1 - 2"));
        QCOMPARE(shell.app().printJobs(), 0);
        shell.dialogsRun.clear();
        shell.run(cmd::PrintPreview);
        QCOMPARE(shell.dialogsRun, (QStringList{"Print Notifcation", "Preview Window"}));
    }
};

std::unique_ptr<QObject> makeRadioCommandTest() {
    return std::make_unique<RadioCommandTest>();
}

}  // namespace vantrel::test

#include "RadioCommandTest.moc"
