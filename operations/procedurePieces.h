// The procedures whose radio steps differ from the standard ones, each a small piece over its steps.
#pragma once

#include <cstdint>
#include <vector>

#include "operations/procedurePiece.h"

namespace vantrel {

/// The status of an auto-tuned procedure after the radio could not tune a point ("%d": the point).
inline constexpr const char* kAutoTuneFailedFormat = "Error in tuning Softpot %d";

/// Transmit power at one level: each point goes out with the noted single-point write; a radio with the
/// power limit table (flag 26) tells through flag 27 whether it took the value, and a refused value keeps
/// the record's old one, while the remaining points are still programmed.
class transmitPowerPiece : public procedurePiece {
  public:
    using procedurePiece::procedurePiece;
    pointOutcome programPoint(int row, int value, EnhancedSBEP& link) override;

  protected:
    /// The procedure's own rule, checked before anything is written: true refuses the value of the point.
    virtual bool refusedBeforeWrite(int point, int value) const;
};

/// Transmit high power: on an isHighPortableC radio without the power limit table a value above the
/// point's stored low power value is refused without being written.
class transmitHighPowerPiece : public transmitPowerPiece {
  public:
    using transmitPowerPiece::transmitPowerPiece;
    std::string refusedText(int point, bool ownRule) const override;

  protected:
    bool refusedBeforeWrite(int point, int value) const override;
};

/// VCO attenuation at 25 kHz: after Program the 12.5 and 20 kHz values are read back from the radio.
class vcoAttenuationPiece : public procedurePiece {
  public:
    using procedurePiece::procedurePiece;
    void afterProgram(EnhancedSBEP& link) override;
};

/// Front end filter: on high-power F mobiles every live write is followed by calibration DAC readings,
/// whose whole-number mean is shown (the record keeps the last reading).
class frontEndFilterPiece : public procedurePiece {
  public:
    static constexpr int kCalDacReads = 5;

    using procedurePiece::procedurePiece;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    /// Whether the radio reports the calibration DAC after live writes.
    bool readsCalDac() const;
    /// The mean of the readings after the last live write (-1 before any).
    int calDacMean() const { return m_calDacMean; }
    /// "rssi-dac": the mean, or the record's last reading before any, with "%.1f".
    std::vector<std::pair<std::string, std::string>> readouts() const override;

  private:
    int m_calDacMean = -1;
};

/// Transmit DAC of low-band mobiles: two rows at the highest point; nothing is sent while dekeyed, a keyed
/// value is written live to the power softpot and stored at once; keying releases the PA voltage limit.
/// Closing with unacceptable values warns of a hardware failure.
class transmitDacPiece : public procedurePiece {
  public:
    static constexpr const char* kWarningText =
        "Unacceptabel DAC values. Please check hardware as there might be a hardware failure.";
    static constexpr const char* kWarningCaption = "WARINING";
    static constexpr std::uint32_t kLowest = 20;
    static constexpr std::uint32_t kHighest = 200;

    using procedurePiece::procedurePiece;
    /// Either value outside 20..200 while DAC 2 is below DAC 1.
    static bool unacceptable(std::uint32_t dac1, std::uint32_t dac2);
    void setupRadio(EnhancedSBEP& link) override;
    void selectChannels(int row, EnhancedSBEP& link) override;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    void keyedUp(int row, EnhancedSBEP& link) override;
    bool stepsWhileDekeyed() const override { return false; }
    void afterClosing(UserPrompt& prompt) override;
};

/// Auto squelch at one spacing: every value goes live at once; "Auto Tune" lets the radio tune one row.
class autoSquelchPiece : public procedurePiece {
  public:
    using procedurePiece::procedurePiece;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
};

/// PA voltage limit: no value is set by hand; "Auto Tune" probes the radio, asks, then keys it at every used
/// transmit point in turn and lets it tune. A point it cannot tune stops the run.
class paVoltageLimitPiece : public procedurePiece {
  public:
    static constexpr const char* kNotDoneText = "Auto tuning of all softpots has not been done";
    static constexpr const char* kDoneText = "Auto tuning of all PA Voltage Limit softpots are done";
    static constexpr const char* kUnsupportedText = "PA Voltage Limit Auto Tuning Unsupported!!";
    static constexpr const char* kQuestion = "Auto Tune softpot values? ";
    static constexpr const char* kImpossibleText = "Tuning is not possible. Please check hardware!!";
    static constexpr const char* kImpossibleFirstText = "Tuning is not possible. Please check hardware !!";
    static constexpr const char* kRunLinkErrorText =
        "Radio Communication Error!!\nWARNING!! Please ensure radio is dekeyed";

    using procedurePiece::procedurePiece;
    void setupRadio(EnhancedSBEP& link) override;
    std::string openedStatus() const override { return kNotDoneText; }
    bool statusFollowsKey() const override { return false; }
    /// The run is over every used point, whichever row names it.
    bool rowActionEnabled(int) const override { return anySupported(); }
    std::string linkErrorText() const override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;

  private:
    bool m_running = false;  ///< the run is under way: the radio may be keyed in it
};

/// RSSI: two or three thresholds at one receive point; "Update" of a row has the radio take the threshold
/// at the level now applied, then reads the RSSI data again.
class rssiPiece : public procedurePiece {
  public:
    static constexpr const char* kPointFormat = "Frequency tuning point is currently %f MHz";

    rssiPiece(procedureRules rules, radioStorage& record);
    /// The receive point the thresholds are taken at (0 when the radio has none).
    int point() const;
    void setupRadio(EnhancedSBEP& link) override;
    std::string openedStatus() const override;
    bool statusFollowsKey() const override { return false; }
    std::optional<int> rowReading(int row) const override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
};

/// Battery threshold: Program reads the radio's supply measurement and, close enough to the stored
/// threshold, has the radio store it.
class batteryPiece : public procedurePiece {
  public:
    static constexpr const char* kIncorrectText = "Incorrect supply voltage setting";
    static constexpr const char* kCommittedText = "Battery Treshold softpot values commited !!";
    static constexpr long long kRefusedDistance = 17;

    using procedurePiece::procedurePiece;
    void setupRadio(EnhancedSBEP& link) override;
    bool statusFollowsKey() const override { return false; }
    std::optional<sessionOutcome> programOwn(sessionContext& session) override;
    /// "target-voltage" ("%1.1f" of a tenth of the threshold) and "default" (the threshold).
    std::vector<std::pair<std::string, std::string>> readouts() const override;
};

}  // namespace vantrel
