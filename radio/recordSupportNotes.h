// The radio record's support flags as the place where the link notes which softpots the radio holds.
#pragma once

#include "link/SupportNotes.h"
#include "radio/radioStorage.h"

namespace vantrel {

/// Sets or clears the record's support flag that a noted exchange names. Holds the record by reference:
/// it must outlive the notes.
class recordSupportNotes final : public SupportNotes {
  public:
    explicit recordSupportNotes(radioStorage& record) : m_record(record) {}
    void noteSupport(int flag, bool supported) override {
        if (supported)
            m_record.markSupported(flag);
        else
            m_record.markUnsupported(flag);
    }

  private:
    radioStorage& m_record;
};

}  // namespace vantrel
