// The enablers across the shell's states: no data, radio read, archive loaded, screen open, tuning blocked.
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <string_view>
#include <vector>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"
#include "operations/procedureCatalogue.h"
#include "radio/RecordLayout.h"
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

/// The commands whose enablers look at the radio's model, its procedure and its support flags.
const int kModelCommands[] = {cmd::FrontEndFilter,
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
                              cmd::Mpt1327,
                              cmd::BasebandOffset,
                              cmd::ProgramSerialNo,
                              cmd::TempCompRead,
                              cmd::TempCompWrite};

/// A radio of one model group, read, every softpot supported, every channel spacing: which commands
/// stay greyed. Portables run procedure 1, mobiles procedure 2.
struct ModelGroup {
    const char* group;
    const char* model;
    int procedure;
    bool lowBand;    ///< a transmit point in the low band (the DAC marker of the record)
    const char* ic;  ///< IC version bytes
    std::vector<int> greyed;
};

/// What a procedure-1 portable never has: the Brightline volume (its own variant), the high-power
/// mobiles' receive-mode PA bias, and the mobile procedures.
std::vector<int> portable(std::vector<int> more = {}) {
    std::vector<int> greyed = {cmd::RatedVolumeBrightline, cmd::PaBiasRxMode, cmd::TransmitDac, cmd::KmTuning,
                               cmd::PaVoltageLimit};
    greyed.insert(greyed.end(), more.begin(), more.end());
    return greyed;
}
/// What a procedure-2 mobile never has: Brightline, the portable power pull-right, baseband offsets.
std::vector<int> mobile(std::vector<int> more = {}) {
    std::vector<int> greyed = {cmd::RatedVolumeBrightline, cmd::TxHighPower, cmd::TxLowPower,
                               cmd::BasebandOffset};
    greyed.insert(greyed.end(), more.begin(), more.end());
    return greyed;
}
/// The spacing-dependent procedures the main series M and Five variants lack.
const std::vector<int> kMainMOrFive = {cmd::FrontEndFilter, cmd::Squelch20k, cmd::Squelch25k, cmd::Vco20k};

std::vector<int> plus(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const ModelGroup kModelGroups[] = {
    {"plain portable", "P47RSC4A1T", 1, false, "", portable()},
    {"list A", "P47MSC6A2L", 1, false, "", portable(plus({cmd::TxHighPower}, kMainMOrFive))},
    {"list B", "P45TSC4A1W", 1, false, "", portable({cmd::TxHighPower, cmd::Squelch20k, cmd::Squelch25k})},
    {"list C", "P45GSC4A1Q", 1, false, "", portable({cmd::TxHighPower, cmd::Squelch12k5})},
    {"main portable M", "P47MSC6A2T", 1, false, "", portable(kMainMOrFive)},
    {"main portable Five", "P475SC7A3T", 1, false, "", portable(plus({cmd::PaBiasLow}, kMainMOrFive))},
    {"no-low-power family", "P60MHC4A1T", 1, false, "", portable({cmd::TxLowPower, cmd::BasebandOffset})},
    {"single point", "P80KSL4A1T", 1, false, "", portable({cmd::TxHighPower, cmd::PaBiasHigh})},
    {"high portable", "P52HSC7A1T", 1, false, "", portable({cmd::BasebandOffset})},
    {"IC FE", "P47RSC4A1T", 1, false, "\x01\xFE\x00\x00", portable({cmd::BasebandOffset})},
    {"Brightline",
     "P47BSC6A2T",
     1,
     false,
     "",
     {cmd::PaBiasRxMode, cmd::TransmitDac, cmd::KmTuning, cmd::PaVoltageLimit, cmd::PaBiasLow}},
    {"variant U", "P47USC6A2T", 1, false, "", portable({cmd::PaBiasLow})},
    {"main mobile M", "M47MSC6E1T", 2, false, "", mobile(plus({cmd::PaBiasRxMode}, kMainMOrFive))},
    {"main mobile Five", "M475SC7E2T", 2, false, "", mobile(plus({cmd::PaBiasRxMode}, kMainMOrFive))},
    {"low-band mobile", "M47RSC6E1T", 2, true, "", mobile({cmd::PaBiasRxMode})},
    {"mid-band mobile", "M47RSC6E1T", 2, false, "", mobile({cmd::PaBiasRxMode, cmd::TransmitDac})},
    {"high mobile F", "M52FSC7E1T", 2, false, "", mobile({cmd::PaBiasHigh, cmd::TransmitDac})},
    {"high mobile K", "M52KSC7E1T", 2, false, "", mobile({cmd::PaBiasHigh, cmd::TransmitDac})},
    // Low band on the high series: K and M wait for the DAC screen, which the high series never offers.
    {"high mobile low band", "M52HSC7E1T", 2, true, "",
     mobile({cmd::PaBiasRxMode, cmd::TransmitDac, cmd::KmTuning})},
};

/// A command and the support flags it needs: with all of them cleared it greys on `model`.
struct FlagGate {
    int command;
    std::vector<int> flags;
    const char* model;
    int procedure;
};
const FlagGate kFlagGates[] = {
    {cmd::FrontEndFilter, {flag::FrontEndFilter}, "P47RSC4A1T", 1},
    {cmd::RatedVolumeCarrier, {flag::RatedVolume}, "P47RSC4A1T", 1},
    {cmd::Squelch12k5, {flag::AutoSquelch}, "P47RSC4A1T", 1},
    {cmd::Rssi, {flag::Rssi}, "P47RSC4A1T", 1},
    {cmd::BatteryThreshold, {flag::BatteryThreshold}, "M47RSC6E1T", 2},
    {cmd::PaBiasHigh, {flag::PaBiasFirstHigh, flag::PaBiasSecond, flag::PaBiasThird}, "P47RSC4A1T", 1},
    {cmd::PaBiasLow, {flag::PaBiasFirstLow}, "P47RSC4A1T", 1},
    {cmd::PaBiasRxMode, {flag::PaBiasFirstHigh, flag::PaBiasSecond, flag::PaBiasThird}, "M52FSC7E1T", 2},
    {cmd::TransmitDac, {flag::MobileTxPower}, "M47RSC6E1T", 2},
    {cmd::KmTuning, {flag::MobileTxPower}, "M47RSC6E1T", 2},
    {cmd::RefOscWarp, {flag::RefOscWarp}, "P47RSC4A1T", 1},
    {cmd::PaVoltageLimit, {flag::PaVoltageLimit}, "M47RSC6E1T", 2},
    {cmd::ModBalance, {flag::ModAttenuation}, "P47RSC4A1T", 1},
    {cmd::TxHighPower, {flag::TxPower}, "P47RSC4A1T", 1},
    {cmd::TxLowPower, {flag::TxPower}, "P47RSC4A1T", 1},
    {cmd::Vco25k, {flag::VcoAttenuation}, "P47RSC4A1T", 1},
    {cmd::Dtmf, {flag::DtmfDeviation}, "P47RSC4A1T", 1},
    {cmd::Qdt1200, {flag::Qdt1200Deviation}, "P47RSC4A1T", 1},
    {cmd::Hss, {flag::HssDeviation}, "P47RSC4A1T", 1},
    {cmd::Select5, {flag::Select5Deviation}, "P47RSC4A1T", 1},
    {cmd::Mpt1327, {flag::Mpt1327Deviation}, "P47RSC4A1T", 1},
};

/// A read radio of `model` with every softpot supported and every channel spacing.
void fillRecord(radioStorage& record, const char* model, int procedure, bool lowBand, std::string_view ic) {
    record.setModelNo(model);
    record.setIcVersion(ic);
    record.setTuningProcedure(procedure);
    record.setValue(row::Frequency, col::OptionByte, 7);
    record.setValue(row::MobilePower, col::LowBandFlag, lowBand ? 1 : 0);
    record.setValue(row::TxDacMarker, col::TxDacMarker, 0);
    for (int f = flag::First; f <= flag::Last; ++f) record.markSupported(f);
}

ShellState readState(const radioStorage& record) {
    ShellState state;
    state.record = &record;
    state.radioRead = true;
    return state;
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
            for (const catalogueEntry& info : catalogue()) {
                if (info.kind == catalogueKind::Variant)
                    continue;
                const ProcedureEntry* entry = findProcedure(info.commandId);
                QVERIFY2(entry, info.name);
                QCOMPARE(QString::fromLatin1(entry->windowTitle), QString::fromLatin1(info.title));
                const QString what = QString::fromLatin1(profile) + " " + QString::fromLatin1(info.name);
                QVERIFY2(availableOnRadio(info, record) == shell.frame().isAvailable(info.commandId),
                         qPrintable(what));
            }
        }
    }

    void everyModelGroupGreysExactlyTheCommandsItLacks() {
        for (const ModelGroup& g : kModelGroups) {
            radioStorage record;
            fillRecord(record, g.model, g.procedure, g.lowBand, g.ic);
            const ShellState state = readState(record);
            for (int id : kModelCommands) {
                const bool greyed = std::find(g.greyed.begin(), g.greyed.end(), id) != g.greyed.end();
                const QString what =
                    QStringLiteral("%1 (%2): command %3 %4")
                        .arg(QLatin1String(g.group), QLatin1String(g.model))
                        .arg(id)
                        .arg(greyed ? QLatin1String("must be greyed") : QLatin1String("must be enabled"));
                QVERIFY2(isCommandEnabled(id, state) == !greyed, qPrintable(what));
            }
        }
    }

    void eachCommandGreysWithoutItsSoftpots() {
        for (const FlagGate& gate : kFlagGates) {
            radioStorage record;
            fillRecord(record, gate.model, gate.procedure, true, "");
            const ShellState state = readState(record);
            const QString what = QStringLiteral("command %1 on %2").arg(gate.command).arg(gate.model);
            QVERIFY2(isCommandEnabled(gate.command, state), qPrintable(what + " with its softpots"));
            for (int f : gate.flags) record.markUnsupported(f);
            QVERIFY2(!isCommandEnabled(gate.command, state), qPrintable(what + " without its softpots"));
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
