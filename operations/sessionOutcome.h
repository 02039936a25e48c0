// What one action of the tuning session came to, for the window that shows it and the script that asked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "operations/UserPrompt.h"

namespace vantrel {

/// The outcome of one session action. The session has already told the user through its prompt; this
/// says the same for a caller that answers in words of its own (a script).
struct sessionOutcome {
    enum class Kind {
        Done,        ///< the action ran to its end
        Refused,     ///< refused before or during the action by a rule (`code` says which); see `message`
        Cancelled,   ///< the user answered Cancel to the action's question: nothing more was sent
        Mismatch,    ///< the radio connected is not the record's: the action was abandoned
        PortBusy,    ///< the port could not be opened: nothing was sent
        LinkFailed,  ///< the link failed; the failure path ran (a keyed radio was dekeyed, or the warning)
        Stopped,     ///< a close or a stop signal stopped it between two exchanges
    };
    /// What became of a serial number mismatch.
    enum class MismatchEnd {
        None,
        Cancelled,     ///< the record was kept: nothing more was sent
        Reread,        ///< the radio connected was read into the record (the action still stopped)
        NotRead,       ///< the read failed or was cancelled: the record is not the connected radio's
        NoLongerFits,  ///< it was read and the procedure does not exist on it
    };

    Kind kind = Kind::Done;
    /// A stable word for a refusal: "out-of-range", "empty-value", "unsupported-point", "keyed-elsewhere",
    /// "not-keyed", "refused", "no-such-action".
    std::string code;
    PromptMessage message;        ///< what the user was told of it (empty for Done)
    std::string detail;           ///< the link failure or the port's cause, in words
    std::string connectedSerial;  ///< Mismatch: the serial number of the radio connected
    MismatchEnd mismatch = MismatchEnd::None;
    bool stillKeyed = false;  ///< LinkFailed: the dekey after the failure went unconfirmed
    int signal = 0;           ///< Stopped by a signal of the link context: its number (0: a close)

    // Program's progress (0-based rows).
    std::vector<int> programmedRows;  ///< rows the radio took, in order
    std::vector<int> refusedRows;     ///< rows refused by the procedure's rule or by the radio
    std::optional<int> failedRow;     ///< the row in progress when a link failure or stop came

    bool done() const { return kind == Kind::Done; }
    /// Stops an action with a refusal.
    void refuse(std::string refusalCode, PromptMessage shown) {
        kind = Kind::Refused;
        code = std::move(refusalCode);
        message = std::move(shown);
    }
};

/// What the closing sequence got the radio to confirm (a step not needed counts as confirmed).
struct closingOutcome {
    bool dekeySent = false;
    bool dekeyConfirmed = true;
    bool resetConfirmed = true;
    bool safe() const { return dekeyConfirmed && resetConfirmed; }
};

}  // namespace vantrel
