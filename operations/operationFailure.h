// What a failed Read Radio or Program All was doing, and the reset that follows every failure part-way.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

/// Where a Read Radio or Program All stopped, for the lines under the command's own message. Filled by
/// radioOperations (lastFailure(), ReadRadioOutcome::failure) and radioProgramAll (failure(),
/// programRadioCommand's out parameter). The result codes and messages stay as they are; this only adds
/// the detail.
struct operationFailure {
    /// The step in progress, e.g. "reading the tuning block", "writing Transmit High Power F3". Empty
    /// when the operation did not fail.
    std::string step;
    /// Why it failed, as the link tells it: "no answer from the radio to the softpot 0 program request
    /// after 4 attempts", "interrupted by signal 2", or the port's reason when it could not be opened.
    std::string cause;
    /// Program All only: what was already written into the radio, in order ("Reference Oscillator",
    /// "Transmit High Power"). Empty when nothing was.
    std::vector<std::string> written;
    /// Program All only: the procedure in progress when it stopped, when some of its points already
    /// reached the radio, with those points ("Transmit Low Power at F1, F2"). Empty otherwise.
    std::string partlyWritten;
    /// The same as data: the procedure of partlyWritten and its points (1..7) that reached the radio.
    std::string partlyProcedure;
    std::vector<int> partlyPoints;
    /// When the port could not be opened: what kept it from opening, for under the port message
    /// (portInUseCause); empty when another program holds it.
    std::string portCause;
    /// Whether the best-effort reset sent after the failure was acknowledged by the radio.
    bool resetSent = false;

    bool failed() const { return !step.empty() || !cause.empty(); }

    /// The lines to show under the message, in order: "while <step>: <cause>", then for Program All
    /// "already written: A, B, C" or "nothing was written". Empty when the operation did not fail.
    /// `programAll` selects the second line.
    std::vector<std::string> detailLines(bool programAll) const;
};

/// Sends one reset request on a connection of its own so that no radio stays in test mode after an
/// operation failed part-way. Best effort: every failure (port, link) is swallowed. Answers whether the
/// radio acknowledged the reset.
bool resetAfterFailure();

}  // namespace vantrel
