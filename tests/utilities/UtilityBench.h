// A utility window's surroundings for one test: the simulated radio on a virtual line, a read record,
// the baseband configuration reader, a scripted prompt.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "operations/UserPrompt.h"
#include "operations/bboConfigFileModule.h"
#include "operations/radioOperations.h"
#include "radio/radioStorage.h"
#include "screens/screenEnvironment.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// The simulated radio of `profile` behind COM1 in virtual time, its record read; bbo.cfg (the one
/// shipped with the simulator's profiles) in the program directory unless `withConfig` is false.
class UtilityBench {
  public:
    explicit UtilityBench(const std::string& profile, bool withConfig = true);
    ~UtilityBench();

    screenEnvironment environment();
    /// Forgets the requests and messages so far.
    void mark();
    /// Well-formed requests since mark(), by opcode and first payload byte: "I 1" identity, "W" serial
    /// write, "S 1/1: 26 43 60 77" softpot writes with their bytes, "M" memory read, "P" memory write,
    /// "B 5 130" baseband offset writes, "X" reset.
    QStringList requests() const;
    /// Messages shown since mark(), as "caption|text".
    QStringList messages() const;
    /// Takes the port as another program would.
    void holdPort() { m_held = line.openDevice(); }
    void releasePort() { m_held.reset(); }
    /// From the `count`-th request after now on, the radio answers nothing at all.
    void silenceFromRequest(unsigned count);

    QTemporaryDir dir;
    VirtualClock clock;
    VirtualLine line{clock};
    SimRadio radio;
    SimPeer peer{radio};
    VirtualPortOpener opener{line, 1};
    radioStorage record;
    radioOperations operations;
    bboConfigFileModule config;
    ScriptedPrompt prompt;
    int code = 0;
    int reads = 0;

  private:
    std::optional<ScopedLinkContext> m_context;
    std::unique_ptr<SerialDevice> m_held;
    size_t m_mark = 0;
};

}  // namespace vantrel::test
