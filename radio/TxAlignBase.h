// Keying and dekeying the transmitter on a connection of its own: the second base of transmit data sets.
#pragma once

#include <cstdint>

namespace vantrel {

/// Holds the transmit data set's current power or level selector and keys the transmitter.
class TxAlignBase {
  public:
    /// Opens a connection, keys the transmitter and closes the connection. Throws PortInUseError or the
    /// link's failure (the transmitter state is then unknown).
    void keyTransmitter();
    /// Opens a connection, dekeys the transmitter and closes the connection. Throws as keyTransmitter.
    void dekeyTransmitter();

    void setLevel(std::int32_t v) { m_level = v; }
    std::int32_t getLevel() const { return m_level; }

  private:
    std::int32_t m_level = 0;
};

}  // namespace vantrel
