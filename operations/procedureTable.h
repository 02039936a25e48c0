// The tuning procedures as data: one description per procedure, shared by its window and the session.
#pragma once

#include "operations/procedureRules.h"

namespace vantrel {

enum class paBiasPower;

/// The descriptions. The windows add their layout (and row buttons) to these.
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
/// Transmit DAC of low-band mobiles: rows "DAC 1" and "DAC 2" at the highest transmit point.
procedureRules transmitDac();
/// PA voltage limit: seven transmit points, auto-tuned only.
procedureRules paVoltageLimit();
/// RSSI: two or three threshold rows, as the record's model has.
procedureRules rssi(const radioStorage& record);
/// Battery threshold: one value the radio measures itself.
procedureRules battery();
/// K and M: the Power 1 and Power 2 readings of F1..F7.
procedureRules kmPower();
/// PA bias at one power: the rows the record's radio has, their ranges and texts.
procedureRules paBias(const radioStorage& record, paBiasPower power);

/// The high power maximum of radios whose transmitter goes to 255, and of the others.
inline constexpr int kWideHighPower = 255;
inline constexpr int kNarrowHighPower = 127;
}  // namespace procedures

}  // namespace vantrel
