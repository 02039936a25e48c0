// The transmit power data set as the power screens use it: one power level chosen by its set selector.
#pragma once

#include "operations/tuningDataSet.h"
#include "radio/txDataSets.h"

namespace vantrel {

/// Transmit power softpot 0 at the level of `selector` (selector::High or selector::Low).
class transmitPowerDataSet : public tuningDataSet {
  public:
    explicit transmitPowerDataSet(int selector) : m_selector(selector) {}
    /// Spacing from the record, then the second form of the power test mode (1, level, spacing) and
    /// (129, level, spacing).
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override;
    void setLive(std::uint32_t value, EnhancedSBEP& link) override;
    void program(std::uint32_t value, EnhancedSBEP& link) override;

  private:
    txTransmitPowData m_data;
    int m_selector;
};

}  // namespace vantrel
