// A connection to the radio for one operation.
#include "link/cominit.h"

namespace vantrel {

namespace {
constexpr uint8_t kConnectionChunkSize = 64;
}

cominit::cominit() {
    setChunkSize(kConnectionChunkSize);
    m_port = std::make_unique<Win32CommunicationPort>(
        static_cast<unsigned>(m_setup.portNumber < 0 ? 0 : m_setup.portNumber), m_setup.lineRate,
        m_setup.parity, m_setup.dataBits, m_setup.stopBits, false);
    attachPort(m_port.get());
}

cominit::~cominit() {
    attachPort(nullptr);
}

}  // namespace vantrel
