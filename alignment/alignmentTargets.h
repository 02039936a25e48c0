// Targets and tolerances of the automatic alignment per procedure and model group, with a shop's overrides.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class radioStorage;

/// What one procedure is aligned to on one model group. Units follow the procedure's instrument: watts
/// (power), hertz from the channel frequency (reference oscillator), hertz peak deviation, amps of bias
/// current above the zeroed bias, volts (battery threshold), dBm (generator levels).
struct alignmentTarget {
    double target = 0;
    double tolerance = 0;  ///< the reading counts within tolerance when |reading - target| <= tolerance
    int maxSteps = 12;     ///< live values sent per point at most before the point counts as not converged
    /// The largest rise of a live value over the previous one (softpot steps); 0: unbounded. Power
    /// procedures keep one, so that a wrong slope never jumps the output to the top of the range.
    int maxRise = 0;
    /// The first probe's distance from the stored value, in softpot steps.
    int probe = 6;
    /// Generator: the level applied (dBm), one per row where rows differ (RSSI thresholds); modulation
    /// deviation (Hz) and tone (Hz) for the receive procedures that need a modulated signal.
    std::vector<double> levelsDbm;
    double fmDeviationHz = 0;
    double fmToneHz = 1000;
    /// Supply limits of the model group (volts): the supply is never set outside them.
    double supplyMinimum = 0;
    double supplyMaximum = 0;
    /// Readings within tolerance that must follow the first one before a point counts as converged (a
    /// noisy bench cannot pass by chance).
    int confirmations = 2;
};

/// The targets of every procedure and group: built-in defaults, then a file's values over them.
///
/// The file is plain text: `[PROCEDURE]` or `[PROCEDURE GROUP]` sections (groups: portable, mobile,
/// high-power-mobile) with `key = value` lines: target, tolerance, max-steps, max-rise, probe, levels-dbm
/// (numbers separated by spaces), fm-deviation-hz, fm-tone-hz, supply-minimum, supply-maximum,
/// confirmations. `#` starts a comment. A group section wins over the procedure's section.
class alignmentTargets {
  public:
    static constexpr const char* kFileName = "alignment.conf";

    /// The built-in defaults alone.
    static alignmentTargets defaults();
    /// Parses a file's text over the defaults. Throws std::runtime_error "SOURCE:LINE: what".
    static alignmentTargets parse(const std::string& text, const std::string& source);
    /// Reads and parses a file over the defaults. Throws std::runtime_error.
    static alignmentTargets load(const std::string& path);

    /// The target of `procedure` on `group`; nullopt when no target is known (the procedure is not
    /// aligned automatically).
    std::optional<alignmentTarget> targetFor(const std::string& procedure, const std::string& group) const;
    /// Where the values came from ("built-in", a file path).
    const std::string& source() const { return m_source; }

  private:
    /// Keys as read, per "procedure" or "procedure group".
    std::map<std::string, std::map<std::string, std::string>> m_sections;
    std::string m_source = "built-in";
};

/// The model group of a radio read: "portable", "high-power-mobile" or "mobile".
std::string alignmentGroup(const radioStorage& record);

}  // namespace vantrel
