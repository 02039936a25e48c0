// Seven per-point softpot values plus single-softpot radio access.
#include "radio/softpotBase.h"

#include "link/cominit.h"
#include "radio/SoftpotTypes.h"

namespace vantrel {

void softpotBase::setPoint(int n, std::int32_t value) {
    if (n >= 1 && n <= record::kPointCount)
        m_points[static_cast<size_t>(n - 1)] = value;
}

std::int32_t softpotBase::getPoint(int n) const {
    if (n >= 1 && n <= record::kPointCount)
        return m_points[static_cast<size_t>(n - 1)];
    return 0;
}

unsigned softpotBase::readSoftpotOwnLink(std::uint8_t softpotType, std::uint32_t& out) {
    cominit link;
    return link.readSoftpot(softpotType, out);
}

void softpotBase::setLive(std::uint32_t value, std::uint8_t softpotType, EnhancedSBEP& link) {
    link.writeSoftpot(softpotType, spfunction::SetLive, value, spwidth::One);
}

void softpotBase::program(std::uint32_t value, std::uint8_t softpotType, EnhancedSBEP& link) {
    link.writeSoftpot(softpotType, spfunction::Program, value, spwidth::One);
}

}  // namespace vantrel
