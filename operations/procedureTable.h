// The tuning procedures as data: one description per procedure, shared by its screen and by the tuning
// engine that scripts drive, and the engines of the procedures whose rules differ from the standard ones.
#pragma once

#include <string>

#include "operations/procedureAvailability.h"
#include "operations/procedureRules.h"
#include "operations/tuningEngine.h"

namespace vantrel {

/// The descriptions. The screens add their layout (and row buttons) to these.
namespace procedures {
/// Transmit power softpot 0 at high power; the maximum follows the model (255 or 127).
procedureRules txHighPower(const radioStorage& record);
procedureRules txLowPower();
procedureRules vcoAttenuation25k();
procedureRules vcoAttenuation20k();
procedureRules vcoAttenuation12k5();
procedureRules modulationAttenuation();
procedureRules dtmfDeviation();
procedureRules qdt1200Deviation();
procedureRules hssDeviation();
procedureRules select5Deviation();
procedureRules mpt1327Deviation();
procedureRules refOscWarp();
/// Front end filter; the range follows the model.
procedureRules frontEndFilter(const radioStorage& record);
procedureRules ratedVolume(bool brightline);
/// Auto squelch at one spacing (selector::Set12k5, Set20k or Set25k).
procedureRules autoSquelch(int spacingSelector);

/// The high power maximum of radios whose transmitter goes to 255, and of the others.
inline constexpr int kWideHighPower = 255;
inline constexpr int kNarrowHighPower = 127;
}  // namespace procedures

/// Transmit power at one level: each point goes out with the noted single-point write; a radio with the
/// power limit table (flag 26) tells through flag 27 whether it took the value, and a refused value keeps
/// the record's old one, while the remaining points are still programmed.
class transmitPowerEngine : public tuningEngine {
  public:
    using tuningEngine::tuningEngine;
    pointOutcome programPoint(int row, int value, EnhancedSBEP& link) override;

  protected:
    /// The procedure's own rule, checked before anything is written: true refuses the value of the point.
    virtual bool refusedBeforeWrite(int point, int value) const;
};

/// Transmit high power: on an isHighPortableC radio without the power limit table a value above the
/// point's stored low power value is refused without being written.
class transmitHighPowerEngine : public transmitPowerEngine {
  public:
    using transmitPowerEngine::transmitPowerEngine;
    std::string refusedText(int point, bool ownRule) const override;

  protected:
    bool refusedBeforeWrite(int point, int value) const override;
};

/// VCO attenuation at 25 kHz: after Program the 12.5 and 20 kHz values are read back from the radio.
class vcoAttenuationEngine : public tuningEngine {
  public:
    using tuningEngine::tuningEngine;
    void afterProgram(EnhancedSBEP& link) override;
};

/// Front end filter: on high-power F mobiles every live write is followed by calibration DAC readings,
/// whose whole-number mean the screen shows (the record keeps the last reading).
class frontEndFilterEngine : public tuningEngine {
  public:
    static constexpr int kCalDacReads = 5;

    using tuningEngine::tuningEngine;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    /// Whether the radio reports the calibration DAC after live writes.
    bool readsCalDac() const;
    /// The mean of the readings after the last live write (-1 before any).
    int calDacMean() const { return m_calDacMean; }

  private:
    int m_calDacMean = -1;
};

}  // namespace vantrel
