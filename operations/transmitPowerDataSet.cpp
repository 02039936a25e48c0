// The transmit power data set as the power screens use it.
#include "operations/transmitPowerDataSet.h"

namespace vantrel {

void transmitPowerDataSet::setupTest(const radioStorage& record, EnhancedSBEP& link) {
    m_data.deriveSpacing(record);
    m_data.setupTest(m_selector, link, false, true);
}

void transmitPowerDataSet::setLive(std::uint32_t value, EnhancedSBEP& link) {
    m_data.setLive(value, link);
}

void transmitPowerDataSet::program(std::uint32_t value, EnhancedSBEP& link) {
    m_data.program(value, link);
}

}  // namespace vantrel
