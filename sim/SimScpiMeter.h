// The simulated power meter's command interpreter: SCPI lines in, answer lines out.
#pragma once

#include <functional>
#include <string>

#include "sim/SimScpiInstrument.h"

namespace vantrel {

/// The simulated power meter: the common SCPI headers (see SimScpiInstrument) and
/// `MEASure[:SCALar][:POWer][:AC]?` (also `READ` and `FETCh`; parameters such as an expected value or
/// resolution are accepted and ignored) answering watts.
class SimScpiMeter : public SimScpiInstrument {
  public:
    /// `identity` answers `*IDN?`; `watts` is asked for every reading (it may be called on any thread
    /// the interpreter runs on).
    SimScpiMeter(std::string identity, std::function<double()> watts);

    /// A reading as the meter prints it: watts in plain decimal notation with four decimals.
    static std::string formatWatts(double watts);
    /// The meter's own headers, for an instrument built around them.
    static std::vector<SimScpiHeader> headers(std::function<double()> watts);
};

}  // namespace vantrel
