// Which window shows each catalogued procedure, variant and utility.
#include "app/ProcedureCatalogue.h"

#include "app/autoTuneDialog.h"
#include "operations/procedureCatalogue.h"
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
#include "utilities/TBasebandUpdateWindow.h"
#include "utilities/TSerialProgramWindow.h"
#include "utilities/TTempCompWindow.h"

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

/// Creates and opens the temp comp window of one mode.
template <bool writeMode>
QWidget* makeTempComp(const screenEnvironment& environment) {
    auto* window = new TTempCompWindow(environment, writeMode);
    window->open();
    return window;
}

/// Creates and opens the PA bias screen of a command, or its default variant after the supply screening.
template <class Screen, class DefaultScreen>
QWidget* makePaBias(const screenEnvironment& environment) {
    if (environment.identity.defaultVariant)
        return TScreenSession::create<DefaultScreen>(environment);
    return TScreenSession::create<Screen>(environment);
}

/// Which view shows each name of the core's catalogue (the variants are shown by their procedure's view).
struct View {
    const char* name;
    const char* screenClass;
    screenMaker create;
};

const View kViews[] = {
    {"rx-front-end-filter", "TFrontEndFilterWindow", &make<TFrontEndFilterWindow>},
    {"rx-rated-volume", "TRatedVolumeWindow", &make<TRatedVolumeWindow>},
    {"rx-rated-volume-brightline", "TRatedVolumeBrightlineWindow", &make<TRatedVolumeBrightlineWindow>},
    {"rx-squelch-12k5", "TAutoSquelch125KHzWindow", &make<TAutoSquelch125KHzWindow>},
    {"rx-squelch-20k", "TAutoSquelch20KHzWindow", &make<TAutoSquelch20KHzWindow>},
    {"rx-squelch-25k", "TAutoSquelch25KHzWindow", &make<TAutoSquelch25KHzWindow>},
    {"rx-rssi", "TRSSIWindow", &make<TRSSIWindow>},
    {"battery-threshold", "TBatteryVoltageWindow", &make<TBatteryVoltageWindow>},
    {"pa-bias-high", "TPABiasHighVoltageWindow",
     &makePaBias<TPABiasHighVoltageWindow, TPABiasHighVoltageWindowDefault>},
    {"pa-bias-low", "TPABiasLowVoltageWindow",
     &makePaBias<TPABiasLowVoltageWindow, TPABiasLowVoltageWindowDefault>},
    {"pa-bias-rx-mode", "TPABiasRxModeWindow", &make<TPABiasRxModeWindow>},
    {"tx-dac", "TTransmitDACWindow", &make<TTransmitDACWindow>},
    {"tx-mobile-power", "TMobilePowerTuneHI", &make<TMobilePowerTuneHI>},
    {"ref-osc-warp", "TRefOscWarpWindow", &make<TRefOscWarpWindow>},
    {"pa-voltage-limit", "TPAVoltageLimitWindow", &make<TPAVoltageLimitWindow>},
    {"mod-balance-attn", "TModulationAttnWindow", &make<TModulationAttnWindow>},
    {"tx-high-power", "TTransmitHighPowerWindow", &make<TTransmitHighPowerWindow>},
    {"tx-low-power", "TTransmitLowPowerWindow", &make<TTransmitLowPowerWindow>},
    {"vco-attn-12k5", "TVCOAttn125KHzWindow", &make<TVCOAttn125KHzWindow>},
    {"vco-attn-20k", "TVCOAttn20KHzWindow", &make<TVCOAttn20KHzWindow>},
    {"vco-attn-25k", "TVCOAttnWindow", &make<TVCOAttnWindow>},
    {"dtmf-deviation", "TDTMFWindow", &make<TDTMFWindow>},
    {"qdt1200-deviation", "TQDT1200Window", &make<TQDT1200Window>},
    {"hss-deviation", "THSSWindow", &make<THSSWindow>},
    {"select5-deviation", "TSelect5Window", &make<TSelect5Window>},
    {"mpt1327-deviation", "TMPT1200Window", &make<TMPT1200Window>},
    {"serial-program", "TSerialProgramWindow", &make<TSerialProgramWindow>},
    {"bbo-update", "TBasebandUpdateWindow", &make<TBasebandUpdateWindow>},
    {"temp-comp-read", "TTempCompWindow", &makeTempComp<false>},
    {"temp-comp-write", "TTempCompWindow", &makeTempComp<true>},
};

int helpOf(const catalogueEntry& e) {
    return e.helpContext == kHelpIndex ? helpContext::Index : e.helpContext;
}

/// The screen commands: every procedure and utility of the core's catalogue with the view that shows it.
const std::vector<ProcedureEntry>& entries() {
    static const std::vector<ProcedureEntry> all = [] {
        std::vector<ProcedureEntry> out;
        for (const catalogueEntry& e : catalogue()) {
            if (e.kind == catalogueKind::Variant)
                continue;
            ProcedureEntry p{e.commandId, "",        e.title,     e.childCaption(),
                             e.code,      helpOf(e), e.available, nullptr};
            for (const View& v : kViews) {
                if (std::string_view(v.name) == e.name) {
                    p.screenClass = v.screenClass;
                    p.create = v.create;
                }
            }
            out.push_back(p);
        }
        return out;
    }();
    return all;
}

}  // namespace

std::span<const ProcedureEntry> procedureCatalogue() {
    return entries();
}

const ProcedureEntry* findProcedure(int commandId) {
    for (const ProcedureEntry& p : entries()) {
        if (p.commandId == commandId)
            return &p;
    }
    return nullptr;
}

int helpContextForScreen(int code) {
    if (code == screenCode::None)
        return helpContext::Index;
    const catalogueEntry* e = catalogueForCode(code);
    return e ? helpOf(*e) : helpContext::Index;
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
