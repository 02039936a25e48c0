// The readable trace of vantrel-sim: the transcript as it grows, a request and its effect on one line.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sim/SimTranscript.h"

namespace vantrel {

/// Turns transcript events into trace lines. A request and the first change of state it made share
/// one line ("<- F4 20 00 02 3C AD  set live softpot 0  ==  live softpot 0 high power F1 = 60"), so
/// each write reads once; every other event has a line of its own, in order. The radio adds a
/// request's effects and its answer within the same step, so a request waits at most until then.
class SimTracePrinter {
  public:
    /// `write` takes one line without its line end.
    explicit SimTracePrinter(std::function<void(const std::string&)> write);
    /// Prints (or, for a request, holds until its first effect or answer) one event.
    void add(const SimEvent& event);
    /// Prints a held request on its own.
    void flush();

  private:
    std::function<void(const std::string&)> m_write;
    std::optional<SimEvent> m_request;
};

}  // namespace vantrel
