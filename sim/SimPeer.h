// Plugs the simulated radio into the in-memory virtual line of the link core.
#pragma once

#include "link/VirtualLine.h"
#include "sim/SimRadio.h"

namespace vantrel {

/// The simulated radio as the far end of a VirtualLine:
/// `VirtualClock clock; VirtualLine line(clock); SimRadio radio(profile); SimPeer peer(radio);
/// line.setPeer(&peer);` Header-only, so the simulator library needs nothing of the link core.
class SimPeer : public LinePeer {
  public:
    explicit SimPeer(SimRadio& radio) : m_radio(radio) {}

    void onHostByte(uint8_t byte, uint64_t nowMs, VirtualLine& line) override {
        for (const SimOutput& out : m_radio.receive(byte, nowMs)) {
            if (out.disconnect)
                line.disconnect();
            else
                line.deliver(out.bytes, out.atMs, out.perByteMs);
        }
    }

    SimRadio& radio() { return m_radio; }

  private:
    SimRadio& m_radio;
};

}  // namespace vantrel
