// Program All: writes every supported softpot of the radio record into the connected radio.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operations/ProgressSink.h"
#include "operations/UserPrompt.h"
#include "operations/operationFailure.h"
#include "radio/RF_Frequency.h"
#include "radio/radioStorage.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {

class EnhancedSBEP;

/// How a Program All command ended.
enum class ProgramOutcome {
    Programmed,      ///< every supported softpot written
    SerialMismatch,  ///< another radio is connected: nothing written
    LinkFailed,      ///< the link failed part-way: the radio holds the softpots written so far
    PortInUse,       ///< the port could not be opened: nothing sent
    Cancelled,  ///< the user cancelled between two exchanges: the radio was reset and holds what was written
};

/// One run of Program All over a record. Create it on the stack for one run. The radio changes, the record
/// does not, except flag 21 (seven-value writes), which the radio's answers and the gate set or clear.
class radioProgramAll {
  public:
    /// Neither is owned; both must outlive the object.
    radioProgramAll(radioStorage& record, ProgressSink& progress);

    /// Writes every supported procedure in the fixed order, each step on a connection of its own, and
    /// ends with a reset of the radio (so it never stays in test mode). Throws PortInUseError, any
    /// CommunicationError or ReplyLengthError of the link at once, or OperationInterrupted when the link
    /// context asks to stop; nothing is retried or rolled back, and no reset is sent after a failure
    /// (programRadioCommand does). failure() then tells the step and what was already written.
    void programAll();

    /// The step of a programAll that threw (empty after one that finished) and the procedures written
    /// before it; cause and resetSent are left to programRadioCommand.
    const operationFailure& failure() const { return m_failure; }

    /// The command without its messages: compares the radio's serial number with the record's and, when
    /// equal, runs programAll. Catches every link failure (progress then 100) and, after one, sends one
    /// reset (best effort) so that the radio does not stay in a test mode. When `failure` is given it
    /// receives the step that failed, the cause, what was already written and whether the reset was
    /// acknowledged (after LinkFailed; after PortInUse the port's reason in `cause`). An
    /// OperationInterrupted (a signal) is passed on after the same reset and with `failure` filled; a
    /// cancel asked through `progress` is answered Cancelled after the same reset, `failure` telling what
    /// reached the radio. The caller asks confirmationPrompt() first and shows messageFor(outcome,
    /// failure) and, after LinkFailed, failure->detailLines(true) afterwards.
    static ProgramOutcome programRadioCommand(radioStorage& record, ProgressSink& progress,
                                              operationFailure* failure = nullptr);

    /// "Program Radio?" with OK and Cancel.
    static PromptMessage confirmationPrompt();
    /// The one message shown for an outcome; after Cancelled it lists what `failure` says was written.
    static PromptMessage messageFor(ProgramOutcome outcome, const operationFailure& failure = {});

    /// Title of the progress window during the run.
    static constexpr const char* kProgressTitle = "Writing Softpots to radio...";

    /// Lowest codeplug version byte that takes seven-value writes on radios with Select 5 or MPT1327.
    static constexpr std::uint8_t kFirstVersionWithTableWrites = 25;

  private:
    /// programRadioCommand without its service history record: `run` is the run once it started,
    /// `connectedSerial` the serial number the radio answered when it was not the record's.
    static ProgramOutcome runCommand(radioStorage& record, ProgressSink& progress, operationFailure* failure,
                                     std::optional<radioProgramAll>& run, std::string& connectedSerial);
    /// Whether the gate forbids seven-value writes (Select 5 or MPT1327 with an older codeplug).
    bool gateBlocks() const;
    /// Seven-value write (function 4, one low byte per value) of `count` values from (row, firstColumn);
    /// the radio's answer sets or clears flag 21. With `gated` and a closed gate nothing is sent and flag 21
    /// is cleared.
    void writeSeven(EnhancedSBEP& link, std::uint8_t softpotType, int row, int firstColumn, bool gated,
                    int count = record::kPointCount);
    /// Point by point over the transmit points (PointSide::Transmit or TransmitBoth), programming softpotType
    /// (one byte) with the values from (row, firstColumn).
    void programTransmitPoints(EnhancedSBEP& link, std::uint8_t softpotType, int row, int firstColumn,
                               PointSide side = PointSide::Transmit);
    /// Point by point over the receive points, each receive channel selected alone.
    void programReceivePoints(EnhancedSBEP& link, std::uint8_t softpotType, int row, int firstColumn);
    std::uint32_t valueAt(int row, int column) const;

    void programReferenceOscillator();
    void programTransmitPower();
    void programVoltageLimit();
    void programModulationAttenuation();
    void programVcoAttenuation();
    void programSingle(int supportFlag, singleValueData& dataSet, const char* procedure);
    /// The procedure being written, for failure(); done() adds it to what was written.
    void begin(const char* procedure);
    /// The point being written by a point-by-point loop (1..7).
    void pointStep(int point);
    /// The point of pointStep() reached the radio.
    void pointDone(int point);
    void done();
    void programPaBias();
    void programFrontEndFilter();
    void programAutoSquelch();
    void programRatedVolume();
    void programRssi();
    void programTempComp();
    void programMobilePower();
    void programBatteryThreshold();
    void programBrightlineAndReset();

    radioStorage& m_record;
    ProgressSink& m_progress;
    txRefOscData m_refOsc;
    txTransmitPowData m_power;
    txPAVoltageLimitData m_voltageLimit;
    txModAttnData m_modAttn;
    txVCOAttnData m_vcoAttn;
    txPABiasHighVoltageData m_biasHigh;
    txPABiasLowVoltageData m_biasLow;
    txDTMFData m_dtmf;
    txSelect5Data m_select5;
    txMPT1200Data m_mpt1327;
    rxRSSIData m_rssi;
    txQDT1200Data m_qdt1200;
    txHSSData m_hss;
    rxFEBPData m_frontEnd;
    rxAutoSquelchData m_squelch;
    rxRatedVolumeData m_volume;
    RF_Frequency m_frequency;
    std::uint8_t m_codeplugVersion = 0;
    std::uint16_t m_channel = 0;
    std::int32_t m_value = 0;
    std::string m_procedure;
    std::string m_pointsWritten;  ///< "F1, F2" of the procedure in progress
    operationFailure m_failure;
};

}  // namespace vantrel
