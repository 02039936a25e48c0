// Program Serial No: writes a ten-character serial number into a radio whose serial number reads blank.
#pragma once

#include "utilities/TUtilityWindow.h"

class QPushButton;

namespace vantrel {

class TSerialNoEdit;
class tuningConnection;

/// The serial number utility (open-screen code 30). Opening compares the connected radio's serial number
/// with the record's; Update and Enter in the entry both check the length first (nothing is sent for a
/// short entry), then that the radio is still the one read, then write.
class TSerialProgramWindow : public TUtilityWindow {
    Q_OBJECT
  public:
    static constexpr int kCode = 30;
    static constexpr int kUpdateId = 7001;

    explicit TSerialProgramWindow(const screenEnvironment& environment);
    ~TSerialProgramWindow() override;

    /// The opening check. False (code 0) when the window must not stay open.
    bool open();
    /// The Update button and Enter in the entry.
    void update();

    TSerialNoEdit* entry() const { return m_entry; }
    QPushButton* updateButton() const { return m_update; }

  private:
    /// Whether the connected radio's serial number is the record's.
    bool sameRadio();

    std::unique_ptr<tuningConnection> m_connection;
    TSerialNoEdit* m_entry = nullptr;
    QPushButton* m_update = nullptr;
};

}  // namespace vantrel
