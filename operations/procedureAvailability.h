// Where each tuning procedure is available: predicates over the record and the data state, the same for
// the application's menus and for scripts.
#pragma once

namespace vantrel {

class radioStorage;

/// What availability looks at: the record and whether its data came from a radio or an archive.
struct procedureState {
    const radioStorage* record = nullptr;
    bool radioRead = false;
    bool archiveLoaded = false;
    bool tuningAllowed = true;

    bool dataPresent() const { return radioRead || archiveLoaded; }
};

/// One predicate per procedure (and per pull-right group of the menus), named after its procedure.
namespace availability {
// Pull-right groups: a procedure in one also needs its group's predicate.
bool groupTransmitPower(const procedureState& s);
bool groupPaBias(const procedureState& s);
bool groupVco(const procedureState& s);
bool groupSquelch(const procedureState& s);
bool groupRatedVolume(const procedureState& s);

bool frontEndFilter(const procedureState& s);
bool ratedVolumeCarrier(const procedureState& s);
bool ratedVolumeBrightline(const procedureState& s);
bool squelch12k5(const procedureState& s);
bool squelch20k(const procedureState& s);
bool squelch25k(const procedureState& s);
bool rssi(const procedureState& s);
bool batteryThreshold(const procedureState& s);
bool paBiasHigh(const procedureState& s);
bool paBiasLow(const procedureState& s);
bool paBiasRxMode(const procedureState& s);
bool transmitDac(const procedureState& s);
bool kmTuning(const procedureState& s);
bool refOscWarp(const procedureState& s);
bool paVoltageLimit(const procedureState& s);
bool modBalance(const procedureState& s);
bool portablePower(const procedureState& s);
bool txHighPower(const procedureState& s);
bool txLowPower(const procedureState& s);
bool vco12k5(const procedureState& s);
bool vco20k(const procedureState& s);
bool vco25k(const procedureState& s);
bool dtmf(const procedureState& s);
bool qdt1200(const procedureState& s);
bool hss(const procedureState& s);
bool select5(const procedureState& s);
bool mpt1327(const procedureState& s);
bool basebandOffset(const procedureState& s);
/// The utilities that need a radio read (an archive alone does not do).
bool radioRead(const procedureState& s);
}  // namespace availability

}  // namespace vantrel
