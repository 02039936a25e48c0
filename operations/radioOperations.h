// Read Radio: fills the radio record from the connected radio (identity, tuning block, every softpot).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/SBEPMessage.h"
#include "operations/ProgressSink.h"
#include "operations/UserPrompt.h"
#include "operations/operationFailure.h"
#include "radio/radioStorage.h"

namespace vantrel {

class EnhancedSBEP;

/// How a read command ended, for the caller's messages and flags.
struct ReadRadioOutcome {
    enum class Kind {
        Read,           ///< answer 0: the record holds the radio
        PointsInvalid,  ///< answer 2: identity and tuning block new, softpots old, serial "Invalid"
        PowerUpFailed,  ///< the radio's power-up status (in `status`); the record is untouched
        LinkFailed,     ///< the link failed part-way; serial "Invalid", the record holds what was read
        PortInUse,      ///< the port could not be opened; nothing was sent, the record is untouched
        Cancelled,      ///< the user cancelled between two exchanges; the radio was reset, the record is
                        ///< untouched
    };
    Kind kind = Kind::Read;
    int status = 0;  ///< the answer of readRadio (0, 2 or the power-up status); 0 for the failures
    /// After Read: whether the tuning procedure (1 or 2) allows tuning.
    bool tuningAllowed = false;
    /// After LinkFailed and Cancelled: the step that failed (or was next), the link's cause and whether
    /// the reset that followed was acknowledged; after PortInUse: the port's reason in `cause`. Empty
    /// otherwise. Show failure.detailLines(false) under the message.
    operationFailure failure;
    /// Whether the radio counts as read afterwards (Read only) and whether the status bar text changes.
    bool radioRead() const { return kind == Kind::Read; }
    bool updatesStatusBar() const {
        return kind == Kind::Read || kind == Kind::PointsInvalid || kind == Kind::LinkFailed;
    }
};

/// Performs the read of a whole radio. The application owns one instance for the whole run.
class radioOperations {
  public:
    /// readRadio answers: success, invalid frequency point data, or else the radio's power-up status.
    static constexpr int kReadOk = 0;
    static constexpr int kPointsInvalid = 2;
    /// Power-up status of a radio with a hardware failure (a second message is shown).
    static constexpr int kHardwareFailure = 16;

    /// Reads the whole radio into `record` on a connection of its own (closed on every way out), reporting
    /// steps through `progress`. Answers 0, 2 (no transmit or no receive point) or the non-zero power-up
    /// status (record untouched). Throws PortInUseError, any CommunicationError or ReplyLengthError of the
    /// link, or OperationInterrupted when the link context asks to stop; the record then holds what was
    /// read so far and lastFailure().step names the step that failed. Sends no reset after a failure
    /// (readRadioCommand does).
    int readRadio(radioStorage& record, ProgressSink& progress);

    /// The step of the last readRadio that failed (empty step after a read that answered), and after
    /// readRadioCommand also the cause and the reset.
    const operationFailure& lastFailure() const { return m_failure; }

    /// Whether the connected radio's ten serial characters equal the first ten of the record's serial.
    /// Throws the link's failure.
    bool serialMatches(const radioStorage& record, EnhancedSBEP& link);
    /// The ten serial characters the last serialMatches() read from the radio.
    std::string lastSerialRead() const;

    /// Asks whether the radio holds its own baseband offsets and, when it does, reads its fifteen offset
    /// bytes into the record's row 13 (`bboFromRadio` set or cleared). Throws the link's failure.
    void readBasebandOffsets(radioStorage& record, EnhancedSBEP& link);

    /// The read command without its messages: runs readRadio into a clean record (a record just made,
    /// every procedure flag clear, see clearProcedureFlags), catches link failures, and commits it with the
    /// outcome applied (serial "Invalid" after answer 2 or a link failure, progress 100 after a failure);
    /// nothing of what the record held before stays. A power-up failure commits nothing. After a link failure
    /// part-way it sends one reset (best effort) so that the radio does not stay in a test mode, and fills
    /// outcome.failure. A cancel asked through `progress` stops before the next exchange, sends the same
    /// reset and answers Cancelled with the record untouched. An OperationInterrupted (a signal) is passed on
    /// after the same reset, the record untouched too (lastFailure() then tells the step). The caller shows
    /// messagesFor(outcome), the lines of outcome.failure.detailLines(false) and, when updatesStatusBar(),
    /// statusBarText().
    ReadRadioOutcome readRadioCommand(radioStorage& record, ProgressSink& progress);

    /// Clears the support flag of every procedure, keeping the flags of what the radio takes in one
    /// request (learnt from its answers): a read starts from "this radio has none" and each set the radio
    /// answers is marked again, so a set the radio lacks is absent afterwards.
    static void clearProcedureFlags(radioStorage& record);

    /// The messages the user sees for an outcome, in order.
    static std::vector<PromptMessage> messagesFor(const ReadRadioOutcome& outcome);
    /// "Radio Serial No :<serial>", 95 blanks, "Radio Model No: <model>".
    static std::string statusBarText(const radioStorage& record);

    /// The message after a cancelled read.
    static constexpr const char* kCancelledText = "Read Radio cancelled. The record is unchanged.";

    /// Title of the progress window during the read.
    static constexpr const char* kProgressTitle = "Reading Softpots from radio...";

  private:
    void step(const char* text) { m_failure.step = text; }
    void readIdentity(radioStorage& record, EnhancedSBEP& link);
    /// Answers false when no transmit or no receive point is in use.
    bool readTuningBlock(radioStorage& record, EnhancedSBEP& link);
    void readTransmitPower(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress);
    void readAttenuations(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress);
    void readBiasAndDeviations(radioStorage& record, EnhancedSBEP& link);
    void readReceive(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress);
    void readTempCompAndOffsets(radioStorage& record, EnhancedSBEP& link);

    std::string m_lastSerial;
    std::uint16_t m_lastValue = 0;
    operationFailure m_failure;
};

/// Sets the text "<percent>% Complete" and the percentage.
void reportProgress(ProgressSink& progress, int percent);

}  // namespace vantrel
