// A connection: reads COM.INI, opens the port for its lifetime and is the command layer.
#pragma once

#include <memory>

#include "link/EnhancedSBEP.h"
#include "link/RF_CommunicationSetup.h"

namespace vantrel {

/// One connection to the radio. Construct it for one operation and let it go: destruction closes
/// the port. Construction throws PortInUseError (with the real cause) when the port cannot be
/// opened; no connection exists then.
class cominit : public EnhancedSBEP {
  public:
    cominit();
    ~cominit() override;
    cominit(const cominit&) = delete;
    cominit& operator=(const cominit&) = delete;
    const RF_CommunicationSetup& setup() const { return m_setup; }

  private:
    RF_CommunicationSetup m_setup;
    std::unique_ptr<Win32CommunicationPort> m_port;
};

}  // namespace vantrel
