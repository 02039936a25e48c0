// Shared fixture: a port on the virtual line with a scripted radio at the far end.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ScriptedRadio.h"
#include "link/VirtualLine.h"
#include "link/Win32CommunicationPort.h"

namespace vantrel::test {

class LinkFixture : public ::testing::Test {
  protected:
    LinkFixture() : line(clock) {
        line.setPeer(&radio);
        port = std::make_unique<Win32CommunicationPort>(line.openDevice(), clock, 1, 9600, 0, 8, 0, false);
    }
    /// Virtual milliseconds spent by f.
    template <typename F>
    uint64_t elapsed(F f) {
        uint64_t start = clock.now();
        f();
        return clock.now() - start;
    }
    VirtualClock clock;
    VirtualLine line;
    ScriptedRadio radio;
    std::unique_ptr<Win32CommunicationPort> port;
};

}  // namespace vantrel::test
