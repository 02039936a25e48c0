// Model predicates: what the radio's model code, identifier and IC version say about its procedures.
#pragma once

#include <cstdint>

#include "radio/ModelTable.h"
#include "radio/radioStorage.h"

namespace vantrel {

/// Stateless predicates over the record's model code (`getModelNo()`), `uuid` and `icVersion`, using the
/// active model table. Construct one on the stack, ask, drop it. A "portable" code is the form letter for
/// portables followed by the series and variant; a "mobile" code is the mobile form letter followed by
/// them, or, where noted, the mobile lead-in followed by that. No predicate fails.
class radiomodel {
  public:
    /// Main series portable, variant M.
    bool isMainPortableM(const radioStorage& r) const;
    /// Main series mobile, variant M (lead-in accepted).
    bool isMainMobileM(const radioStorage& r) const;
    bool isMainPortableFive(const radioStorage& r) const;
    /// Lead-in accepted.
    bool isMainMobileFive(const radioStorage& r) const;
    /// Series main at characters 1-2 (any form letter), band group letters at 7 and 8.
    bool isMainBandGroup(const radioStorage& r) const;
    bool isHighPortable(const radioStorage& r) const;
    /// Mobile high series; the lead-in is not accepted.
    bool isHighMobile(const radioStorage& r) const;
    /// High series portable with variantC at character 4.
    bool isHighPortableC(const radioStorage& r) const;
    /// The model text starts with all seven characters of the single-point prefix.
    bool isSinglePointModel(const radioStorage& r) const;
    /// High series mobile, variant F; no lead-in.
    bool isHighMobileF(const radioStorage& r) const;
    /// Second byte of the IC version is 0xFE.
    bool isIcFE(const radioStorage& r) const;
    bool isMainPortableR(const radioStorage& r) const;
    bool isMainPortableS(const radioStorage& r) const;
    /// Lead-in accepted.
    bool isMainMobileR(const radioStorage& r) const;
    /// Lead-in accepted.
    bool isMainMobileS(const radioStorage& r) const;
    bool isSixPortable(const radioStorage& r) const;
    /// High series mobile, variant K; no lead-in.
    bool isHighMobileK(const radioStorage& r) const;
    /// High series mobile with variantN at character 8; no lead-in.
    bool isHighMobileN(const radioStorage& r) const;
    /// Six series portable with variantN at character 8.
    bool isSixPortableN(const radioStorage& r) const;
    /// First ten characters equal one code of the list.
    bool inListA(const radioStorage& r) const;
    bool inListB(const radioStorage& r) const;
    bool inListC(const radioStorage& r) const;
    /// One code of listD occurs anywhere in the model text.
    bool inListD(const radioStorage& r) const;
    /// Character 3 is variantBrightline: the radio has the Brightline rated-volume softpot.
    bool hasBrightlineVolume(const radioStorage& r) const;
    /// Character 3 is variantBrightline or variantU: the radio has no low-power PA bias procedure.
    bool hasNoLowPowerPaBias(const radioStorage& r) const;
    /// Character 3 is variantQ or variantR: a high-power mobile of this variant takes its PA bias test
    /// channel at 500 MHz rather than 200 MHz.
    bool isVariantQOrR(const radioStorage& r) const;
    /// Characters 0, 1, 2 and 4 are those of the one family without a transmit low power setting.
    bool hasNoLowPowerSetting(const radioStorage& r) const;

    /// Channel spacings the radio supports: bit 0 12.5 kHz, bit 1 20 kHz, bit 2 25 kHz. For a radio whose
    /// identifier is in the table's list, read from the feature digit of the model code; otherwise the
    /// tuning block's option byte (`values[0][13]`).
    std::int32_t featureMask(const radioStorage& r) const;
};

}  // namespace vantrel
