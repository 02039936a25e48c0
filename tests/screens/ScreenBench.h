// A screen's surroundings for one test: simulated radio on a virtual line, a read record, a scripted prompt.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "operations/UserPrompt.h"
#include "operations/radioOperations.h"
#include "radio/radioStorage.h"
#include "screens/TTuningScreen.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// The simulated radio of `profile` behind COM1 in virtual time, its record already read.
class ScreenBench {
  public:
    explicit ScreenBench(SimProfile profile = SimProfile::named("portable"));
    ~ScreenBench();

    /// What a screen of `screenClass` receives (its identity from the shell's procedure catalogue);
    /// readRadio re-reads the radio into the record (and counts the reads).
    screenEnvironment environment(const std::string& screenClass = {});
    /// Creates and opens a screen of class Screen, with the identity the catalogue gives its class.
    template <class Screen>
    std::unique_ptr<Screen> open() {
        return std::unique_ptr<Screen>(TScreenSession::create<Screen>(environment(className<Screen>())));
    }
    /// The unqualified name of a class ("TDTMFWindow").
    template <class T>
    static std::string className() {
        return unqualified(typeid(T).name());
    }
    static std::string unqualified(const char* mangled);

    /// Forgets the requests and messages so far.
    void mark();
    /// The well-formed requests since mark(), compactly: "I 1" identity, "T 1 2 2" test mode,
    /// "C 1000 1000" channel pair, "S 0/2: 90" softpot 0 function 2 with its value bytes, "K 1"/"K 0" key
    /// up/dekey, "A 6" auto-tune of softpot 6, "X" reset.
    QStringList requests() const;
    /// Messages shown since mark(), as "caption|text".
    QStringList messages() const;

    /// From now on the radio answers nothing to requests with this opcode (and first payload byte).
    void silence(std::uint8_t opcode, std::optional<std::uint8_t> firstByte = std::nullopt);
    /// From the `count`-th request after now on, the radio answers nothing at all.
    void silenceFromRequest(unsigned count);
    /// Takes the port as another program would; the screen then finds it busy.
    void holdPort() { m_held = line.openDevice(); }
    void releasePort() { m_held.reset(); }

    QTemporaryDir dir;
    VirtualClock clock;
    VirtualLine line{clock};
    SimRadio radio;
    SimPeer peer{radio};
    VirtualPortOpener opener{line, 1};
    radioStorage record;
    radioOperations operations;
    ScriptedPrompt prompt;
    int code = 0;
    int reads = 0;

  private:
    std::optional<ScopedLinkContext> m_context;
    std::unique_ptr<SerialDevice> m_held;
    size_t m_mark = 0;
};

/// Lets the steps the controls queued reach the radio, as the event loop does in the program once the
/// input waiting before them has been shown.
void settle();

/// The portable profile with some transmit points unused (0).
SimProfile portableWithPoints(std::vector<std::uint16_t> txPoints);
/// A profile whose model code is form letter, series and the rest of `tail`, from the model table.
SimProfile portableOfSeries(const std::string& series, const std::string& tail);

}  // namespace vantrel::test
