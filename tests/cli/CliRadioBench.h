// The simulated radio behind COM1 of a virtual line, for the tool's radio commands run in process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "sim/SimFrame.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// The simulated radio behind COM1 of a virtual line in virtual time; COM.INI absent unless written.
class RadioBench {
  public:
    explicit RadioBench(SimProfile profile = SimProfile::defaults(), unsigned onlyPort = 1)
        : line(clock),
          opener(line, onlyPort),
          radio(std::move(profile)),
          peer(radio),
          m_context(LinkContext{dir.path().string(), &opener, &clock, {}}) {
        line.setPeer(&peer);
    }

    test::CliRun run(const std::vector<std::string>& args, const std::string& input = "",
                     bool terminal = false) {
        return runCli(dir.path().string(), args, input, terminal);
    }

    /// How many requests with this opcode the radio received.
    int requestsWith(std::uint8_t opcode) {
        int count = 0;
        for (const SimEvent& e : radio.transcript().filter(SimEventKind::FrameIn)) {
            SimFrameAssembler assembler;
            std::optional<SimFrame> frame;
            for (const std::uint8_t b : e.bytes) frame = assembler.feed(b, 0);
            if (frame && frame->opcode == opcode)
                ++count;
        }
        return count;
    }

    ScratchDirectory dir;
    VirtualClock clock;
    VirtualLine line;
    VirtualPortOpener opener;
    SimRadio radio;
    SimPeer peer;

  private:
    ScopedLinkContext m_context;
};

}  // namespace vantrel::test
