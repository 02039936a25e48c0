// The deviation and attenuation screens and the reference oscillator warp screen: descriptions over the
// framework.
#include "screens/TDeviationWindows.h"

#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/txDataSets.h"
#include "screens/dataSetAdapters.h"

namespace vantrel {

namespace {

constexpr int kAttenuationMaximum = 127;
constexpr int kModulationMaximum = 63;
constexpr int kDeviationMaximum = 31;
constexpr int kWarpMaximum = 511;
constexpr const char* kMismatchCapital = "Serial No. Mismatch!! Read in new radio?";
constexpr const char* kDeviationNote = "Note : Valid Softpot values will range from 0-31";
constexpr const char* kDeviationCommit = "Commit new softpot value? Softpot Value Range (0-31)";

/// These screens refuse only values above their maximum.
tuningProcedure attenuationBase(int maximum) {
    tuningProcedure p;
    p.minimum = 0;
    p.maximum = maximum;
    p.checksMinimum = false;
    p.note = "Note : Valid Softpot values will range from 0-" + std::to_string(maximum);
    return p;
}

/// The VCO screens' shared description at one set selector.
tuningProcedure vcoBase(int selector, int column) {
    tuningProcedure p = attenuationBase(kAttenuationMaximum);
    p.makeDataSet = &selectorDataSet<txVCOAttnData>::make;
    p.selector = selector;
    p.softpot = softpot::VcoAttenuation;
    p.row = row::VcoAttenuation;
    p.firstColumn = column;
    p.illegalValue = "Program softpots aborted for VCO Attn.!! Illegal softpot value";
    p.emptyValue = "Please enter a valid VCO Attn. softpot value!!";
    return p;
}

/// The single-value VCO screens: 700 x 350, buttons at y 120, status box 8000 at y 200, narrower box.
screenLayout vcoSingleLayout(int statusX) {
    screenLayout l = screenLayout::singleValue();
    l.window = QSize(700, 350);
    l.buttonY = 120;
    l.status = QRect(statusX, 200, 600, 30);
    l.statusId = 8000;
    l.workingWidth = 55;
    return l;
}

/// One signalling deviation: a single value of `Data` at one transmit point.
template <class Data>
tuningProcedure signalling(std::uint8_t softpotNumber, int recordRow, singlePoint point, const char* illegal,
                           const char* empty, const char* mismatch) {
    tuningProcedure p = attenuationBase(kDeviationMaximum);
    p.makeDataSet = &singleValueDataSet<Data>::make;
    p.softpot = softpotNumber;
    p.row = recordRow;
    p.firstColumn = col::Single;
    p.layout = screenLayout::singleValue();
    p.point = point;
    p.note = kDeviationNote;
    p.commitQuestion = kDeviationCommit;
    p.illegalValue = illegal;
    p.emptyValue = empty;
    p.mismatch = mismatch;
    return p;
}

}  // namespace

// --- VCO and modulation attenuation
// -------------------------------------------------------------------------

tuningProcedure TVCOAttnWindow::describe() {
    tuningProcedure p = vcoBase(selector::Set25k, col::Spacing25k);
    p.commitQuestion = "Commit new softpot values? Softpot Value Range(0-127)";
    p.storeAllAfterRun = true;
    return p;
}

TVCOAttnWindow::TVCOAttnWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

void TVCOAttnWindow::afterProgram(EnhancedSBEP& link) {
    // The narrower spacings' values follow the 25 kHz ones in the radio: read them back under their own
    // test modes, then return to this screen's.
    txVCOAttnData data;
    data.setupTest(selector::Set12k5, link);
    data.read12k5(record(), link);
    data.setupTest(selector::Set20k, link);
    data.read20k(record(), link);
    data.setupTest(selector::Set25k, link);
}

tuningProcedure TVCOAttn20KHzWindow::describe() {
    tuningProcedure p = vcoBase(selector::Set20k, col::Spacing20k + record::kPointCount - 1);
    p.layout = vcoSingleLayout(20);
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-127)";
    return p;
}

TVCOAttn20KHzWindow::TVCOAttn20KHzWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

tuningProcedure TVCOAttn125KHzWindow::describe() {
    tuningProcedure p = vcoBase(selector::Set12k5, col::Spacing12k5 + record::kPointCount - 1);
    p.layout = vcoSingleLayout(10);
    p.commitQuestion = "Commit new softpot value? Softpot Value Range (0-127)";
    return p;
}

TVCOAttn125KHzWindow::TVCOAttn125KHzWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

tuningProcedure TModulationAttnWindow::describe() {
    tuningProcedure p = attenuationBase(kModulationMaximum);
    p.makeDataSet = &selectorDataSet<txModAttnData>::make;
    // The screen's set is the one Read Radio and Program All use: (14, 2, 1), columns 14..20.
    p.selector = 1;
    p.softpot = softpot::ModAttenuation;
    p.row = row::ModAttenuation;
    p.firstColumn = col::SetThird;
    p.storeAllAfterRun = true;
    p.note = "Note : Valid Softpot values will range from 0-63";
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-63)";
    p.illegalValue = "Program softpots aborted for Modulation Attn.!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Modulation Attn. softpot value !!";
    return p;
}

TModulationAttnWindow::TModulationAttnWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

// --- Signalling deviations
// ----------------------------------------------------------------------------------

tuningProcedure TDTMFWindow::describe() {
    tuningProcedure p =
        signalling<txDTMFData>(softpot::DtmfDeviation, row::DtmfDeviation, singlePoint::Lowest,
                               "Program softpots aborted for DTMF Signalling!! Illegal softpot value",
                               "Please enter a valid DTMF Signalling softpot value!!", kMismatchCapital);
    p.commitQuestion = "Commit new softpot value? Softpot Value Range(0-31)";
    return p;
}

TDTMFWindow::TDTMFWindow(const screenEnvironment& environment) : TTuningScreen(environment, describe()) {}

tuningProcedure TQDT1200Window::describe() {
    return signalling<txQDT1200Data>(softpot::Qdt1200Deviation, row::Qdt1200Deviation, singlePoint::Middle,
                                     "Program softpots aborted for QDT1200!! Illegal softpot value",
                                     "Please enter a valid QDT1200 softpot value!!", kMismatchCapital);
}

TQDT1200Window::TQDT1200Window(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

tuningProcedure THSSWindow::describe() {
    return signalling<txHSSData>(
        softpot::HssDeviation, row::HssDeviation, singlePoint::Highest,
        "Program softpots aborted for High Speed Signalling !! Illegal softpot value",
        "Please enter a valid High Speed Signalling softpot value!!", TTuningScreen::kMismatchText);
}

THSSWindow::THSSWindow(const screenEnvironment& environment) : TTuningScreen(environment, describe()) {}

tuningProcedure TSelect5Window::describe() {
    return signalling<txSelect5Data>(
        softpot::Select5Deviation, row::Select5Deviation, singlePoint::Highest,
        "Program softpots aborted for Select 5 Signalling !! Illegal softpot value",
        "Please enter a valid Select 5 Signalling softpot value!!", TTuningScreen::kMismatchText);
}

TSelect5Window::TSelect5Window(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

tuningProcedure TMPT1200Window::describe() {
    return signalling<txMPT1200Data>(
        softpot::Mpt1327Deviation, row::Mpt1327Deviation, singlePoint::Middle,
        "Program softpots aborted for MPT1327 Signalling !! Illegal softpot value",
        "Please enter a valid MPT1327 Signalling softpot value!!", kMismatchCapital);
}

TMPT1200Window::TMPT1200Window(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

// --- Reference oscillator warp
// ------------------------------------------------------------------------------

tuningProcedure TRefOscWarpWindow::describe() {
    tuningProcedure p = signalling<txRefOscData>(
        softpot::RefOscWarp, row::RefOscWarp, singlePoint::Highest,
        "Program softpots aborted for Reference Oscillator Warp !! Illegal softpot value",
        "Please enter a valid Reference Oscillator Warp softpot value!!", TTuningScreen::kMismatchText);
    p.maximum = kWarpMaximum;
    p.note = "Note : Valid Softpot values will range from 0-511";
    p.commitQuestion = "Commit new softpot value? Softpot Value Range (0-511)";
    p.emptyValueCaption = "ERROR";
    return p;
}

TRefOscWarpWindow::TRefOscWarpWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe()) {}

}  // namespace vantrel
