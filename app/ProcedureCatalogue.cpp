// The procedure catalogue.
#include "app/ProcedureCatalogue.h"

#include "app/autoTuneDialog.h"
#include "radio/kmPowerModel.h"
#include "radio/radiomodel.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TBatteryVoltageWindow.h"
#include "screens/TDeviationWindows.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TPABiasWindows.h"
#include "screens/TPAVoltageLimitWindow.h"
#include "screens/TRSSIWindow.h"
#include "screens/TReceiveWindows.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "utilities/utilityScreens.h"

namespace vantrel {

namespace {

/// Creates and opens a screen of the framework; screens whose radio tunes itself show the shell's wait box
/// meanwhile.
template <class Screen>
QWidget* make(const screenEnvironment& environment) {
    screenEnvironment e = environment;
    if (!e.makeAutoTuneBox)
        e.makeAutoTuneBox = [](QWidget* screen) -> QWidget* { return new autoTuneDialog(screen); };
    return TScreenSession::create<Screen>(e);
}

QWidget* makeTempCompRead(const screenEnvironment& environment) {
    return createTempCompWindow(environment, false);
}
QWidget* makeTempCompWrite(const screenEnvironment& environment) {
    return createTempCompWindow(environment, true);
}

/// Creates and opens the PA bias screen of a command, or its default variant after the supply screening.
template <class Screen, class DefaultScreen>
QWidget* makePaBias(const screenEnvironment& environment) {
    if (environment.identity.defaultVariant)
        return TScreenSession::create<DefaultScreen>(environment);
    return TScreenSession::create<Screen>(environment);
}

constexpr int kIndex = helpContext::Index;
namespace e = enablers;

const ProcedureEntry kCatalogue[] = {
    {cmd::FrontEndFilter, "TFrontEndFilterWindow", "Front End Filter", "Front End Filter", 15, 40010,
     e::frontEndFilter, &make<TFrontEndFilterWindow>},
    {cmd::RatedVolumeCarrier, "TRatedVolumeWindow", "Rated Volume Tuning",
     "Rated Volume Tuning (Carrier Squelch environment)", 19, 40012, e::ratedVolumeCarrier,
     &make<TRatedVolumeWindow>},
    {cmd::RatedVolumeBrightline, "TRatedVolumeBrightlineWindow", "Rated Volume Tuning",
     "Rated Volume Tuning (Brightline environment)", 38, 40012, e::ratedVolumeBrightline,
     &make<TRatedVolumeBrightlineWindow>},
    {cmd::Squelch12k5, "TAutoSquelch125KHzWindow", "Auto Squelch Tuning (12.5KHz)", "Squelch Attn. 12.5KHz",
     16, 40011, e::squelch12k5, &make<TAutoSquelch125KHzWindow>},
    {cmd::Squelch20k, "TAutoSquelch20KHzWindow", "Auto Squelch Tuning (20KHz)", "Squelch Attn. 20KHz", 17,
     40011, e::squelch20k, &make<TAutoSquelch20KHzWindow>},
    {cmd::Squelch25k, "TAutoSquelch25KHzWindow", "Auto Squelch Tuning (25KHz)", "Squelch Attn. 25KHz", 18,
     40011, e::squelch25k, &make<TAutoSquelch25KHzWindow>},
    {cmd::Rssi, "TRSSIWindow", "RSSI Tuning", "RSSI Tuning", 20, 40023, e::rssi, &make<TRSSIWindow>},
    {cmd::BatteryThreshold, "TBatteryVoltageWindow", "Battery Threshold", "Battery Threshold Tuning", 32,
     40014, e::batteryThreshold, &make<TBatteryVoltageWindow>},
    {cmd::PaBiasHigh, "TPABiasHighVoltageWindow", "PA Bias Voltage 1", "PA Bias Voltage High Power",
     screenCode::PaBiasHigh, 40008, e::paBiasHigh,
     &makePaBias<TPABiasHighVoltageWindow, TPABiasHighVoltageWindowDefault>},
    {cmd::PaBiasLow, "TPABiasLowVoltageWindow", "PA Bias Voltage 1", "PA Bias Voltage Low Power",
     screenCode::PaBiasLow, 40008, e::paBiasLow,
     &makePaBias<TPABiasLowVoltageWindow, TPABiasLowVoltageWindowDefault>},
    {cmd::PaBiasRxMode, "TPABiasRxModeWindow", "PA Bias Rx Mode", "PA Bias Voltage Rx Mode",
     screenCode::PaBiasHigh, 40008, e::paBiasRxMode, &make<TPABiasRxModeWindow>},
    {cmd::TransmitDac, "TTransmitDACWindow", "Transmit DAC Tuning (LB Mobile)", "DAC Tuning", 35, 40024,
     e::transmitDac, &make<TTransmitDACWindow>},
    {cmd::KmTuning, "TMobilePowerTuneHI", "Transmit Power Tuning (Mobile)", "Transmit Power Tuning (Mobile)",
     4, 40013, e::kmTuning, &make<TMobilePowerTuneHI>},
    {cmd::RefOscWarp, "TRefOscWarpWindow", "Reference Oscillator Warp", "Reference Oscillator Warp", 1, 40001,
     e::refOscWarp, &make<TRefOscWarpWindow>},
    {cmd::PaVoltageLimit, "TPAVoltageLimitWindow", "Transmit PA Volatge Limit", "Transmit PA Voltage Limit",
     34, 40016, e::paVoltageLimit, &make<TPAVoltageLimitWindow>},
    {cmd::ModBalance, "TModulationAttnWindow", "Modulation Attenuation", "Mod. Balance Attn.", 5, 40003,
     e::modBalance, &make<TModulationAttnWindow>},
    {cmd::TxHighPower, "TTransmitHighPowerWindow", "Transmit High Power", "Transmit High Power", 2, 40002,
     e::txHighPower, &make<TTransmitHighPowerWindow>},
    {cmd::TxLowPower, "TTransmitLowPowerWindow", "Transmit Low Power", "Transmit Low Power", 3, 40002,
     e::txLowPower, &make<TTransmitLowPowerWindow>},
    {cmd::Vco12k5, "TVCOAttn125KHzWindow", "VCO Attenuation (12.5KHz)", "VCO Attn. 12.5kHz", 6, 40004,
     e::vco12k5, &make<TVCOAttn125KHzWindow>},
    {cmd::Vco20k, "TVCOAttn20KHzWindow", "VCO Attenuation (20KHz)", "VCO Attn. 20kHz", 7, 40004, e::vco20k,
     &make<TVCOAttn20KHzWindow>},
    {cmd::Vco25k, "TVCOAttnWindow", "VCO Attenuation", "VCO Attn. 25kHz", 8, 40004, e::vco25k,
     &make<TVCOAttnWindow>},
    {cmd::Dtmf, "TDTMFWindow", "DTMF Signalling Deviation", "DTMF Deviation", 9, 40005, e::dtmf,
     &make<TDTMFWindow>},
    {cmd::Qdt1200, "TQDT1200Window", "QDT1200 Signalling Deviation", "QDT Signalling", 10, 40006, e::qdt1200,
     &make<TQDT1200Window>},
    {cmd::Hss, "THSSWindow", "High Speed Trunking Signalling Deviation",
     "High Speed Trunking Signalling Deviation", 33, 40015, e::hss, &make<THSSWindow>},
    {cmd::Select5, "TSelect5Window", "Select 5 Signalling Deviation", "Select 5 Signalling Deviation", 13,
     40009, e::select5, &make<TSelect5Window>},
    {cmd::Mpt1327, "TMPT1200Window", "MPT1200 Signalling Deviation", "MPT1327 Signalling Deviation", 14,
     40021, e::mpt1327, &make<TMPT1200Window>},
    {cmd::ProgramSerialNo, "TSerialProgramWindow", "Program Serial No", "Program Radio Serial No.",
     screenCode::SerialProgram, 40020, e::radioRead, &createSerialProgramWindow},
    {cmd::BasebandOffset, "TBasebandUpdateWindow", "Update Baseband Offset", "Update Baseband Offset", 31,
     40020, e::basebandOffset, &createBasebandUpdateWindow, &basebandPrecheck},
    {cmd::TempCompRead, "TTempCompWindow", "Read Temp Comp", "Read Temp Comp", screenCode::TempCompRead,
     kIndex, e::radioRead, &makeTempCompRead},
    {cmd::TempCompWrite, "TTempCompWindow", "Write Temp Comp", "Write Temp Comp", screenCode::TempCompWrite,
     kIndex, e::radioRead, &makeTempCompWrite},
};

/// Codes published by variants of a command rather than by a row of their own.
struct VariantHelp {
    int code;
    int context;
};
const VariantHelp kVariantHelp[] = {
    {screenCode::PaBiasHighDefault, helpContext::PaBiasDefault},
    {screenCode::PaBiasLowDefault, helpContext::PaBiasDefault},
};

}  // namespace

std::span<const ProcedureEntry> procedureCatalogue() {
    return kCatalogue;
}

const ProcedureEntry* findProcedure(int commandId) {
    for (const ProcedureEntry& p : kCatalogue) {
        if (p.commandId == commandId)
            return &p;
    }
    return nullptr;
}

int helpContextForScreen(int code) {
    if (code == screenCode::None)
        return helpContext::Index;
    for (const VariantHelp& v : kVariantHelp) {
        if (v.code == code)
            return v.context;
    }
    for (const ProcedureEntry& p : kCatalogue) {
        if (p.code == code)
            return p.helpContext;
    }
    return helpContext::Index;
}

screenIdentity identityFor(int commandId) {
    screenIdentity id;
    id.commandId = commandId;
    if (const ProcedureEntry* p = findProcedure(commandId)) {
        id.code = p->code;
        id.helpContext = p->helpContext;
        id.title = QString::fromLatin1(p->windowTitle);
        id.childCaption = QString::fromLatin1(p->childCaption);
    }
    return id;
}

screenIdentity identityFor(int commandId, const radioStorage& record) {
    screenIdentity id = identityFor(commandId);
    if (commandId == cmd::KmTuning) {
        const kmPowerModel model = kmPowerModel::forRadio(radiomodel().isHighMobile(record));
        id.mScale = model.mScale;
        id.kScale = model.kScale;
    }
    return id;
}

}  // namespace vantrel
