// The deviation and attenuation screens and the reference oscillator warp screen: descriptions over the
// framework.
#include "screens/TDeviationWindows.h"

#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"

namespace vantrel {

namespace {

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

/// A single-value screen of a core description.
tuningProcedure single(procedureRules rules) {
    return tuningProcedure::from(std::move(rules), screenLayout::singleValue());
}

}  // namespace

// --- VCO and modulation attenuation
// -------------------------------------------------------------------------

tuningProcedure TVCOAttnWindow::describe() {
    tuningProcedure p = tuningProcedure::from(procedures::vcoAttenuation25k(), screenLayout::sevenPoint());
    return p;
}

TVCOAttnWindow::TVCOAttnWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "vco-attn-25k", describe()) {}

tuningProcedure TVCOAttn20KHzWindow::describe() {
    return tuningProcedure::from(procedures::vcoAttenuation20k(), vcoSingleLayout(20));
}

TVCOAttn20KHzWindow::TVCOAttn20KHzWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "vco-attn-20k", describe()) {}

tuningProcedure TVCOAttn125KHzWindow::describe() {
    return tuningProcedure::from(procedures::vcoAttenuation12k5(), vcoSingleLayout(10));
}

TVCOAttn125KHzWindow::TVCOAttn125KHzWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "vco-attn-12k5", describe()) {}

tuningProcedure TModulationAttnWindow::describe() {
    return tuningProcedure::from(procedures::modulationAttenuation(), screenLayout::sevenPoint());
}

TModulationAttnWindow::TModulationAttnWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "mod-balance-attn", describe()) {}

// --- Signalling deviations
// ----------------------------------------------------------------------------------

tuningProcedure TDTMFWindow::describe() {
    return single(procedures::dtmfDeviation());
}

TDTMFWindow::TDTMFWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "dtmf-deviation", describe()) {}

tuningProcedure TQDT1200Window::describe() {
    return single(procedures::qdt1200Deviation());
}

TQDT1200Window::TQDT1200Window(const screenEnvironment& environment)
    : TTuningScreen(environment, "qdt1200-deviation", describe()) {}

tuningProcedure THSSWindow::describe() {
    return single(procedures::hssDeviation());
}

THSSWindow::THSSWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "hss-deviation", describe()) {}

tuningProcedure TSelect5Window::describe() {
    return single(procedures::select5Deviation());
}

TSelect5Window::TSelect5Window(const screenEnvironment& environment)
    : TTuningScreen(environment, "select5-deviation", describe()) {}

tuningProcedure TMPT1200Window::describe() {
    return single(procedures::mpt1327Deviation());
}

TMPT1200Window::TMPT1200Window(const screenEnvironment& environment)
    : TTuningScreen(environment, "mpt1327-deviation", describe()) {}

// --- Reference oscillator warp
// ------------------------------------------------------------------------------

tuningProcedure TRefOscWarpWindow::describe() {
    return single(procedures::refOscWarp());
}

TRefOscWarpWindow::TRefOscWarpWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "ref-osc-warp", describe()) {}

}  // namespace vantrel
