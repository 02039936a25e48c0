// What a tuning screen asks of its procedure's data set: test mode, live value, programmed value.
#pragma once

#include <cstdint>

namespace vantrel {

class EnhancedSBEP;
class radioStorage;

/// One procedure's data set as a screen uses it. The data sets differ in their set-up calls; each
/// adapter fixes the set selector and form its screen needs. Every operation throws the link's failure.
class tuningDataSet {
  public:
    virtual ~tuningDataSet() = default;
    /// Takes the test-mode parameter from the record and puts the radio into the procedure's test mode.
    virtual void setupTest(const radioStorage& record, EnhancedSBEP& link) = 0;
    /// Sends a value the radio uses at once without storing it.
    virtual void setLive(std::uint32_t value, EnhancedSBEP& link) = 0;
    /// Programs (stores) a value in the radio.
    virtual void program(std::uint32_t value, EnhancedSBEP& link) = 0;
};

}  // namespace vantrel
