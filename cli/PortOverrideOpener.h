// Opens one chosen COM port whatever port a connection asks for: the tool's --port for one run.
#pragma once

#include "link/SerialDevice.h"

namespace vantrel {

/// Hands every open request to another opener with a fixed port number, so a connection that read
/// another port (or none) from COM.INI uses the port given on the command line. COM.INI is not touched.
/// `inner` must outlive the opener.
class PortOverrideOpener : public PortOpener {
  public:
    PortOverrideOpener(PortOpener& inner, unsigned portNumber) : m_inner(inner), m_portNumber(portNumber) {}
    std::unique_ptr<SerialDevice> open(unsigned) override { return m_inner.open(m_portNumber); }

  private:
    PortOpener& m_inner;
    unsigned m_portNumber;
};

}  // namespace vantrel
