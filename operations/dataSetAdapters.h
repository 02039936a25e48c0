// The data sets of the procedures as the screens use them: spacing from the record, then the test mode.
#pragma once

#include <memory>

#include "radio/radioStorage.h"
#include "operations/tuningDataSet.h"
#include "operations/procedureRules.h"

namespace vantrel {

/// A procedure with one value for the whole radio (txRefOscData, txDTMFData and the other signalling
/// deviations): its own test mode with the spacing the record gives.
template <class Data>
class singleValueDataSet : public tuningDataSet {
  public:
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(link);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    void program(std::uint32_t value, EnhancedSBEP& link) override { m_data.program(value, link); }

    static std::unique_ptr<tuningDataSet> make(const procedureRules&) {
        return std::make_unique<singleValueDataSet>();
    }

  private:
    Data m_data;
};

/// A procedure whose test mode takes the screen's set selector (VCO and modulation attenuation).
template <class Data>
class selectorDataSet : public tuningDataSet {
  public:
    explicit selectorDataSet(int selector) : m_selector(selector) {}
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(m_selector, link);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    void program(std::uint32_t value, EnhancedSBEP& link) override { m_data.program(value, link); }

    static std::unique_ptr<tuningDataSet> make(const procedureRules& procedure) {
        return std::make_unique<selectorDataSet>(procedure.selector);
    }

  private:
    Data m_data;
    int m_selector;
};

}  // namespace vantrel
