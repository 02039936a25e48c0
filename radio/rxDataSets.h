// The receive softpot data sets: front end filter, auto squelch, rated volume, RSSI.
#pragma once

#include <cstdint>

#include "radio/TxAlignBase.h"
#include "radio/dataSetBase.h"

namespace vantrel {

/// Receive front end filter: softpot 13, flag 10, `values[10][0..6]` over the receive points.
class rxFEBPData : public dataSetBase {
  public:
    /// Test mode (0, 2, spacing).
    void setupTest(EnhancedSBEP& link);
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// Seven points over the receive points, gated after F1.
    void read(radioStorage& record, EnhancedSBEP& link);
    /// Calibration DAC reading (softpot 26), reply byte 3 into `values[16][6]`; answers it. When the radio
    /// refuses the request the record keeps its value and the call answers the value held.
    std::int32_t readCalDac(radioStorage& record, EnhancedSBEP& link);
};

/// Auto squelch: softpot 7, flag 11, row 11 by selector (1: 25 kHz cols 14-20, 2: 20 kHz 7-13,
/// 3: 12.5 kHz 0-6).
class rxAutoSquelchData : public dataSetBase {
  public:
    virtual ~rxAutoSquelchData() = default;
    /// Selector 1, 2 or 3: test mode (1, 2, selector spacing); others send nothing.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link);
    virtual void endTest() {}
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// Seven points over the receive points into the selector's columns, not gated.
    void read(int selectorValue, radioStorage& record, EnhancedSBEP& link);
    /// Lets the radio tune softpot 7 at the selected channel (flag 11 noted); answers the value it settled
    /// on.
    std::uint32_t autoTuneSoftpot(radioStorage& record, EnhancedSBEP& link);
    /// First record column of a selector's set; -1 for other selectors.
    static int selectorColumn(int selectorValue);
};

/// Rated volume: softpot 8, flag 12, `values[12][0]` (normal) and `values[12][1]` (Brightline).
class rxRatedVolumeData : public dataSetBase, public TxAlignBase {
  public:
    enum Mode { Normal = 0, Brightline = 1 };
    virtual ~rxRatedVolumeData() = default;
    /// Normal: (0, 2, spacing); Brightline: (18, 2, spacing).
    virtual void setupTest(EnhancedSBEP& link, int mode);
    virtual void endTest() {}
    virtual void program(std::uint32_t value, EnhancedSBEP& link);
    /// Normal value into `values[12][0]`, stored only when the radio holds it.
    virtual void read(radioStorage& record, EnhancedSBEP& link);
    /// Brightline value into `values[12][1]`.
    virtual void readBrightline(radioStorage& record, EnhancedSBEP& link);
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// As dataSetBase::deriveSpacing, but 0 for main-series M and Five radios.
    void deriveSpacing(const radioStorage& record);
};

/// RSSI: reads through the RSSI requests (softpots 26 and 25), flag 15, `values[16][0..5]`.
class rxRSSIData : public dataSetBase {
  public:
    /// Test mode (0, 2, spacing); the screens use spacing 2 or 0.
    void setupTest(EnhancedSBEP& link);
    /// When the radio answers the RSSI read as unsupported: flag 15 cleared. Otherwise flag 15 set, the
    /// three RSSI bytes into columns 0-2 and the three calibration DAC bytes (softpot 25) into 3-5.
    void read(radioStorage& record, EnhancedSBEP& link);
};

}  // namespace vantrel
