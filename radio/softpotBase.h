// Seven per-point softpot values plus single-softpot radio access: the first base of every data set.
#pragma once

#include <array>
#include <cstdint>

#include "radio/RecordLayout.h"

namespace vantrel {

class EnhancedSBEP;

/// Seven softpot values, one per frequency point F1..F7, and one-softpot access to the radio.
/// Construction zeroes everything. Link operations throw the command layer's failures unchanged.
class softpotBase {
  public:
    /// Stores the value of point n (1..7); other n are ignored.
    void setPoint(int n, std::int32_t value);
    /// Value of point n (1..7); 0 for other n.
    std::int32_t getPoint(int n) const;

    /// Opens a connection of its own, reads the softpot's current value into `out` and closes it.
    /// Answers the width in bytes the radio gave. Throws PortInUseError or the link's failure.
    unsigned readSoftpotOwnLink(std::uint8_t softpotType, std::uint32_t& out);
    /// Sets the softpot's live value (function 2, one byte): used at once, not stored by the radio.
    void setLive(std::uint32_t value, std::uint8_t softpotType, EnhancedSBEP& link);
    /// Programs the softpot (function 1, one byte): the radio stores the value.
    void program(std::uint32_t value, std::uint8_t softpotType, EnhancedSBEP& link);

  private:
    std::int32_t m_reserved = 0;
    std::array<std::int32_t, record::kPointCount> m_points{};
};

}  // namespace vantrel
