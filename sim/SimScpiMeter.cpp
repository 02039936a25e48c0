// The simulated power meter's measurement headers.
#include "sim/SimScpiMeter.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

std::vector<SimScpiHeader> SimScpiMeter::headers(std::function<double()> watts) {
    auto measure = [watts](const std::string&) {
        return SimScpiOutcome::answer(formatWatts(watts ? watts() : 0.0));
    };
    return {{"MEASure[:SCALar][:POWer][:AC]?", true, measure},
            {"READ[:SCALar][:POWer][:AC]?", true, measure},
            {"FETCh[:SCALar][:POWer][:AC]?", true, measure}};
}

SimScpiMeter::SimScpiMeter(std::string identity, std::function<double()> watts)
    : SimScpiInstrument(std::move(identity), headers(std::move(watts))) {}

std::string SimScpiMeter::formatWatts(double watts) {
    if (!std::isfinite(watts) || watts < 0)
        watts = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", watts);
    return buf;
}

}  // namespace vantrel
