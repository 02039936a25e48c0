// The abstract radio command interface: key, dekey, reset, memory access on an attached port.
#pragma once

#include <cstdint>

#include "link/Win32CommunicationPort.h"

namespace vantrel {

/// Base of the command layer. Holds the attached port (not owned).
class RadioProtocol {
  public:
    virtual ~RadioProtocol() = default;
    virtual void keyUp() = 0;
    virtual void dekey() = 0;
    virtual void resetRadio() = 0;
    /// Reads count bytes at address; destination (50 bytes) receives the raw 0x80 reply frame.
    virtual void readMemory(uint8_t* destination, uint32_t address, unsigned count) = 0;
    virtual void writeMemory(const uint8_t* source, uint32_t address, unsigned count) = 0;
    virtual void attachPort(Win32CommunicationPort* port) { m_port = port; }

  protected:
    Win32CommunicationPort* m_port = nullptr;
};

}  // namespace vantrel
