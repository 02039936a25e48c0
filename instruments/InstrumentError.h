// The one failure every instrument call raises: what went wrong, said for the technician.
#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

/// A failed instrument call. The message is one line naming the instrument and the cause; the kind
/// lets callers tell a dead instrument from a refused command.
class InstrumentError : public std::runtime_error {
  public:
    enum class Kind {
        Timeout,       ///< no complete answer within the call's time
        Disconnected,  ///< the connection or device went away, or could not be opened
        BadReply,      ///< an answer that is no reading: too long, binary, not a number, NaN, huge
        NoSignal,      ///< the instrument answered SCPI's "not a number": nothing on its input to measure
        Refused,       ///< the instrument queued an error for the command (its error queue is in the text)
        Config,        ///< a bench configuration or dialect that cannot be used
    };
    InstrumentError(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

  private:
    Kind m_kind;
};

}  // namespace vantrel
