// The transmit softpot data sets: power, DAC, PA voltage limit, attenuations, PA bias, deviations, battery.
#pragma once

#include <cstdint>

#include "radio/TxAlignBase.h"
#include "radio/dataSetBase.h"

namespace vantrel {

/// Where one single-value procedure lives: softpot, written width, flag, record place, test mode.
struct SingleValueShape {
    std::uint8_t softpot = 0;
    unsigned width = spwidth::One;
    int flag = 0;
    int row = 0;
    int column = 0;
    std::uint8_t mode = 0;  ///< first test-mode byte; the second is testmode::Normal, the third the spacing
};

/// A procedure with one value for the whole radio. Every operation on a link throws the link's failure.
class singleValueData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~singleValueData() = default;
    /// Test mode (mode, 2, spacing).
    virtual void setupTest(EnhancedSBEP& link);
    virtual void endTest() {}
    /// Programs the value (function 1) with the procedure's width.
    virtual void program(std::uint32_t value, EnhancedSBEP& link);
    /// Reads the softpot naming its flag; stores the value only when the radio holds the softpot.
    virtual void read(radioStorage& record, EnhancedSBEP& link);
    /// Sets the live value (function 2) with the procedure's width.
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;

    const SingleValueShape& shape() const { return m_shape; }

  protected:
    explicit singleValueData(const SingleValueShape& shape) : m_shape(shape) {}
    SingleValueShape m_shape;
};

/// Reference oscillator warp: softpot 11, two bytes, flag 2, `values[2][0]`.
class txRefOscData : public singleValueData {
  public:
    txRefOscData();
    /// Test mode (1, 2, spacing) then (129, 2, spacing).
    void setupTest(EnhancedSBEP& link) override;
};

/// DTMF deviation: softpot 14, flag 6, `values[6][0]`, test mode (3, 2, spacing).
class txDTMFData : public singleValueData {
  public:
    txDTMFData();
};

/// QDT1200 deviation: softpot 24, flag 7, `values[7][0]`, test mode (4, 2, spacing).
class txQDT1200Data : public singleValueData {
  public:
    txQDT1200Data();
};

/// Select 5 deviation: softpot 15, flag 13, `values[14][0]`, test mode (4, 2, spacing).
class txSelect5Data : public singleValueData {
  public:
    txSelect5Data();
};

/// MPT1327 deviation: softpot 5, flag 14, `values[15][0]`, test mode (5, 2, spacing).
class txMPT1200Data : public singleValueData {
  public:
    txMPT1200Data();
};

/// HSS deviation: softpot 16, flag 22, `values[19][0]`, test mode (7, 2, spacing).
class txHSSData : public singleValueData {
  public:
    txHSSData();
};

/// Battery threshold: softpot 10, flag 19, `values[18][1]`, test mode (9, 2, spacing).
class txBatteryData : public singleValueData {
  public:
    txBatteryData();
    /// Always programs the value 1, whatever it is given: the radio takes its own measurement then
    /// (the caller stores the measured value in the record).
    void program(std::uint32_t value, EnhancedSBEP& link) override;
    /// Multi-value read naming flag 19; when the radio answers, its second value goes to `values[18][1]`.
    void read(radioStorage& record, EnhancedSBEP& link) override;
};

/// Transmit high, low and third power of portables and K and M power of mobiles (row 3, 21, 17).
class txTransmitPowData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~txTransmitPowData() = default;
    /// Selector 1 (high power, argument 0) or 2 (low power, argument 2); other selectors send nothing.
    /// `first`: (0, power, spacing) then (129, power, spacing); `second`: (1, power, spacing) then
    /// (129, power, spacing). When both are asked both forms are sent, the first form first.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second);
    virtual void endTest() {}

    /// Softpot 0, one byte, live or programmed.
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    /// Softpot 28 (third power), one byte.
    void setLiveThird(std::uint32_t value, EnhancedSBEP& link);
    void programThird(std::uint32_t value, EnhancedSBEP& link);
    /// Softpot 17 as two bytes: K the high byte, M the low byte.
    void programMobile(std::uint32_t value, EnhancedSBEP& link);
    /// Sets the PA voltage limit softpot 6 live to 127 so it does not limit the power being tuned.
    void releaseVoltageLimit(EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;

    /// High power, `values[3][0..6]`, flag 3, gated.
    void readHigh(radioStorage& record, EnhancedSBEP& link);
    /// Low power, `values[3][7..13]`, flag 3, not gated.
    void readLow(radioStorage& record, EnhancedSBEP& link);
    /// Third power softpot 28, `values[21][0..6]`, flag 26, gated.
    void readThird(radioStorage& record, EnhancedSBEP& link);
    /// Mobile K and M, `values[17][0..13]`, flag 16, gated.
    void readMobile(radioStorage& record, EnhancedSBEP& link);
    /// `values[1][0]` = 0 and `values[17][16]` = 1 when any of the seven transmit channels lies strictly
    /// between 29.7 and 50 MHz, else 0. Every channel is tested, used or not.
    void deriveLowBand(radioStorage& record);
};

/// Transmit DAC of low-band mobiles (`values[17][14..15]`): not read, the values come with the tuning block.
class txTransmitDACData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~txTransmitDACData() = default;
    /// As txTransmitPowData::setupTest.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second);
    virtual void endTest() {}
    /// Transmit power softpot 0 live, one byte.
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    /// DAC softpot 17, two bytes.
    void setLiveDac(std::uint32_t value, EnhancedSBEP& link);
    void programDac(std::uint32_t value, EnhancedSBEP& link);
    /// PA voltage limit softpot 6 live to 127.
    void releaseVoltageLimit(EnhancedSBEP& link);
    using softpotBase::setLive;
};

/// PA voltage limit of mobiles: softpot 6, flag 25, `values[20][0..6]`.
class txPAVoltageLimitData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~txPAVoltageLimitData() = default;
    /// As txTransmitPowData::setupTest. The spacing stays as constructed unless derived.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second);
    virtual void endTest() {}
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// Seven points, not gated; each point's transmit channel is sent as both codes.
    void read(radioStorage& record, EnhancedSBEP& link);
    /// Lets the radio tune softpot 6 at the selected channel (flag 25 noted); answers the value it settled on
    /// (0 when tuning was impossible or the radio refused).
    std::uint32_t autoTuneSoftpot(radioStorage& record, EnhancedSBEP& link);
};

/// Modulation attenuation: softpot 3, flag 4, three sets of seven in row 4.
class txModAttnData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~txModAttnData() = default;
    /// Selector 0, 1 or 2: test mode (14, 2, selector), then the VCO attenuation softpot 2 live to 127.
    /// Other selectors send nothing.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link);
    virtual void endTest() {}
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// Seven points into `values[4][14..20]`, gated.
    void read(radioStorage& record, EnhancedSBEP& link);
};

/// VCO attenuation: softpot 2, flag 5, row 5: 25 kHz set of seven, 20 and 12.5 kHz single values.
class txVCOAttnData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~txVCOAttnData() = default;
    /// Selector 1 (25 kHz), 2 (20 kHz) or 3 (12.5 kHz): (1, 2, its spacing) then (128, 2, its spacing).
    /// Other selectors send nothing.
    virtual void setupTest(int selectorValue, EnhancedSBEP& link);
    virtual void endTest() {}
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    void program(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;
    /// 25 kHz set: seven points into `values[5][14..20]`, gated.
    void read25k(radioStorage& record, EnhancedSBEP& link);
    /// 20 kHz value at the highest transmit point into `values[5][13]`.
    void read20k(radioStorage& record, EnhancedSBEP& link);
    /// 12.5 kHz value at the highest transmit point into `values[5][6]`.
    void read12k5(radioStorage& record, EnhancedSBEP& link);

    /// Spacing code of a selector (1: 25 kHz, 2: 20 kHz, 3: 12.5 kHz); -1 for others.
    static std::int32_t selectorSpacing(int selectorValue);

  private:
    void readAtHighestPoint(int column, radioStorage& record, EnhancedSBEP& link);
};

/// PA bias softpots 18, 20 and 27 in row 8: high power in columns 0, 2, 4, low power in 1, 3, 5.
class paBiasData : public dataSetBase, public TxAlignBase {
  public:
    virtual ~paBiasData() = default;
    virtual void setupTest(EnhancedSBEP& link) = 0;
    virtual void endTest() {}
    /// Programs the first bias softpot (18); the others through softpotBase::program with their number.
    virtual void program(std::uint32_t value, EnhancedSBEP& link);
    virtual void read(radioStorage& record, EnhancedSBEP& link) = 0;
    /// First bias softpot (18) live.
    void setLive(std::uint32_t value, EnhancedSBEP& link);
    using softpotBase::program;
    using softpotBase::setLive;

  protected:
    /// Reads softpot 6 (flag 28) first when asked, then the three bias softpots into the high or low columns.
    void readBias(bool highPower, bool voltageFirst, radioStorage& record, EnhancedSBEP& link);
};

/// PA bias at high power: set-ups (9, 0, spacing) and (9, 2, spacing); reads 6 first, then columns 0, 2, 4.
class txPABiasHighVoltageData : public paBiasData {
  public:
    void setupTest(EnhancedSBEP& link) override;
    /// The second set-up: (9, 2, spacing).
    virtual void setupTestSecond(EnhancedSBEP& link);
    void read(radioStorage& record, EnhancedSBEP& link) override;
};

/// PA bias at low power: set-up (9, 2, spacing); reads columns 1, 3, 5 (flags 9, 17, 18).
class txPABiasLowVoltageData : public paBiasData {
  public:
    void setupTest(EnhancedSBEP& link) override;
    void read(radioStorage& record, EnhancedSBEP& link) override;
};

/// PA bias in receive mode: set-ups (9, 0, spacing), (0, 2, 2) and (9, 2, 2); reads as high power.
class txPABiasRxModeData : public paBiasData {
  public:
    void setupTest(EnhancedSBEP& link) override;
    /// (0, 2, 2).
    virtual void setupTestReceive(EnhancedSBEP& link);
    /// (9, 2, 2).
    virtual void setupTestLowPower(EnhancedSBEP& link);
    void read(radioStorage& record, EnhancedSBEP& link) override;
};

}  // namespace vantrel
