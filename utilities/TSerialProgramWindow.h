// Program Serial No: writes a ten-character serial number into a radio whose serial number reads blank.
#pragma once

#include "screens/TScreenSession.h"

class QPushButton;

namespace vantrel {

class TSerialNoEdit;

/// The view of the serial number utility (open-screen code 30). The session's opening compares the
/// connected radio's serial number with the record's; Update and Enter in the entry hand the entry to the
/// session, which checks the length first (nothing is sent for a short entry), then that the radio is
/// still the one read, then writes.
class TSerialProgramWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kCode = 30;
    static constexpr int kUpdateId = 7001;

    explicit TSerialProgramWindow(const screenEnvironment& environment);

    /// The Update button and Enter in the entry.
    void update();

    TSerialNoEdit* entry() const { return m_entry; }
    QPushButton* updateButton() const { return m_update; }

  private:
    TSerialNoEdit* m_entry = nullptr;
    QPushButton* m_update = nullptr;
};

}  // namespace vantrel
