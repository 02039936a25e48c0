// The enablers across the shell's states: no data, radio read, archive loaded, screen open, tuning blocked.
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"
#include "operations/procedureTable.h"
#include "radio/radioStorage.h"

namespace vantrel::test {

namespace {

const int kTuningCommands[] = {cmd::FrontEndFilter,
                               cmd::RatedVolumeCarrier,
                               cmd::RatedVolumeBrightline,
                               cmd::Squelch12k5,
                               cmd::Squelch20k,
                               cmd::Squelch25k,
                               cmd::Rssi,
                               cmd::BatteryThreshold,
                               cmd::PaBiasHigh,
                               cmd::PaBiasLow,
                               cmd::PaBiasRxMode,
                               cmd::TransmitDac,
                               cmd::KmTuning,
                               cmd::RefOscWarp,
                               cmd::PaVoltageLimit,
                               cmd::ModBalance,
                               cmd::TxHighPower,
                               cmd::TxLowPower,
                               cmd::Vco12k5,
                               cmd::Vco20k,
                               cmd::Vco25k,
                               cmd::Dtmf,
                               cmd::Qdt1200,
                               cmd::Hss,
                               cmd::Select5,
                               cmd::Mpt1327};
const int kAlwaysAvailable[] = {cmd::LoadArchive,   cmd::ReadRadio,   cmd::CommSettings, cmd::HelpIndex,
                                cmd::PortableSetup, cmd::MobileSetup, cmd::RadioInfo,    cmd::UsingHelp,
                                cmd::About,         cmd::Exit};
const int kDataCommands[] = {cmd::SaveArchive, cmd::ProgramAll, cmd::PrinterSetup, cmd::PrintPreview};
const int kRadioReadCommands[] = {cmd::ProgramSerialNo, cmd::TempCompRead, cmd::TempCompWrite};
const int kWindowCommands[] = {cmd::WindowCascade,    cmd::WindowTile,       cmd::WindowArrange,
                               cmd::WindowCloseAll,   cmd::SubWindowCascade, cmd::SubWindowTile,
                               cmd::SubWindowArrange, cmd::SubWindowCloseAll};

QString name(int id) {
    return QString::number(id);
}

}  // namespace

class CommandEnablerTest : public QObject {
    Q_OBJECT
  private slots:
    void noDataLeavesOnlyLoadReadSettingsAndHelp() {
        Shell shell;
        QCOMPARE(shell.start(), 0);
        for (int id : kTuningCommands) QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
        for (int id : kDataCommands) QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
        for (int id : kRadioReadCommands) QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
        for (int id : kAlwaysAvailable) QVERIFY2(shell.frame().isAvailable(id), qPrintable(name(id)));
        QCOMPARE(shell.client().statusText(),
                 QString("No archive file or radio is currently loaded or connected"));
    }

    void windowItemsAreAlwaysGreyed() {
        Shell shell;
        shell.start();
        shell.run(cmd::ReadRadio);
        for (int id : kWindowCommands) QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
    }

    void portableReadOffersPortableProceduresOnly() {
        Shell shell("portable");
        shell.fakeScreens();  // the enablers alone: every window counts as built
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        for (int id : kDataCommands) QVERIFY2(shell.frame().isAvailable(id), qPrintable(name(id)));
        for (int id : kRadioReadCommands) QVERIFY2(shell.frame().isAvailable(id), qPrintable(name(id)));
        QVERIFY(shell.frame().groupMenu(cmd::GroupTransmitPower)->menuAction()->isEnabled());
        QVERIFY(shell.frame().isAvailable(cmd::TxHighPower));
        QVERIFY(shell.frame().isAvailable(cmd::RefOscWarp));
        // Procedure 1: the mobile procedures stay away.
        QVERIFY(!shell.frame().isAvailable(cmd::KmTuning));
        QVERIFY(!shell.frame().isAvailable(cmd::PaVoltageLimit));
    }

    void mobileReadOffersKAndMButNoPortablePowerOrBaseband() {
        Shell shell("mobile");
        shell.fakeScreens();
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        QCOMPARE(shell.client().record().getTuningProcedure(), 2);
        QVERIFY(shell.frame().isAvailable(cmd::KmTuning));
        QVERIFY(!shell.frame().groupMenu(cmd::GroupTransmitPower)->menuAction()->isEnabled());
        QVERIFY(!shell.frame().isAvailable(cmd::TxHighPower));
        QVERIFY(!shell.frame().isAvailable(cmd::BasebandOffset));
    }

    void scriptsAndTheMenusAgreeOnEveryProcedure() {
        for (const char* profile : {"portable", "mobile"}) {
            Shell shell(profile);
            shell.fakeScreens();
            shell.start();
            QVERIFY(shell.run(cmd::ReadRadio));
            radioStorage& record = shell.client().record();
            for (const procedureInfo& info : procedureNames()) {
                const ProcedureEntry* entry = findProcedure(info.commandId);
                QVERIFY2(entry, info.name.c_str());
                QCOMPARE(QString::fromLatin1(entry->windowTitle), QString::fromStdString(info.title));
                engineRefusal why = engineRefusal::None;
                const bool made = makeEngine(info.name, record, &why) != nullptr;
                if (why == engineRefusal::NotScriptable)
                    continue;
                const QString what = QString::fromLatin1(profile) + " " + QString::fromStdString(info.name);
                QVERIFY2(made == shell.frame().isAvailable(info.commandId), qPrintable(what));
            }
        }
    }

    void anItemOfAPullRightNeedsItsGroupEnablerToo() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        shell.frame().updateCommandStates();
        QVERIFY(shell.frame().isAvailable(cmd::Vco12k5));
        // The 12.5 kHz item only asks for the spacing bit; its pull-right asks for the VCO softpot.
        shell.client().record().markUnsupported(flag::VcoAttenuation);
        shell.frame().updateCommandStates();
        QVERIFY(!shell.frame().groupMenu(cmd::GroupVco)->menuAction()->isEnabled());
        QVERIFY(!shell.frame().isAvailable(cmd::Vco12k5));
        QVERIFY(!shell.run(cmd::Vco12k5));
    }

    void archiveAloneEnablesTuningButNoUtilities() {
        QString archive;
        {
            Shell reader("portable");
            reader.start();
            reader.run(cmd::ReadRadio);
            archive = reader.path("radio.sfp");
            QFile::remove(archive);
            reader.files << archive;
            reader.run(cmd::SaveArchive);
            QFile::copy(archive, QDir::temp().filePath("vantrel-enabler-test.sfp"));
        }
        Shell shell("portable");
        shell.start({QDir::temp().filePath("vantrel-enabler-test.sfp")});
        QVERIFY(shell.client().archiveLoaded());
        for (int id : kDataCommands) QVERIFY2(shell.frame().isAvailable(id), qPrintable(name(id)));
        QVERIFY(shell.frame().isAvailable(cmd::RefOscWarp));
        for (int id : kRadioReadCommands) QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
        QVERIFY(!shell.frame().isAvailable(cmd::BasebandOffset));
        QFile::remove(QDir::temp().filePath("vantrel-enabler-test.sfp"));
    }

    void openScreenGreysLoadAndReadUntilItCloses() {
        Shell shell;
        shell.start();
        shell.run(cmd::ReadRadio);
        QVERIFY(shell.run(cmd::PortableSetup));
        QVERIFY(!shell.frame().isAvailable(cmd::LoadArchive));
        QVERIFY(!shell.frame().isAvailable(cmd::ReadRadio));
        QVERIFY(shell.frame().isAvailable(cmd::SaveArchive));
        shell.client().closeAllSubWindows();
        Shell::settle();
        QVERIFY(shell.frame().isAvailable(cmd::LoadArchive));
        QVERIFY(shell.frame().isAvailable(cmd::ReadRadio));
    }

    void blockedProcedureGreysTheTuningCommands() {
        Shell shell("procedure-3");
        shell.start();
        shell.run(cmd::ReadRadio);
        QVERIFY(shell.messages().contains(
            "NOTE|Radio not suitable for tuning due to different tuning procedure version"));
        QVERIFY(!shell.client().tuningAllowed());
        for (int id : {cmd::RefOscWarp, cmd::ModBalance, cmd::Dtmf, cmd::TxHighPower, cmd::FrontEndFilter})
            QVERIFY2(!shell.frame().isAvailable(id), qPrintable(name(id)));
        QVERIFY(shell.frame().isAvailable(cmd::SaveArchive));
    }
};

std::unique_ptr<QObject> makeCommandEnablerTest() {
    return std::make_unique<CommandEnablerTest>();
}

}  // namespace vantrel::test

#include "CommandEnablerTest.moc"
