// Read or write the radio's four temperature compensation bytes.
#pragma once

#include "utilities/TUtilityWindow.h"

class QLineEdit;
class QPushButton;

namespace vantrel {

/// The temp comp utility: read mode (open-screen code 39) reads the bytes into the record on opening and
/// shows them as eight hexadecimal digits; write mode (code 40) programs eight typed digits. Every
/// failure, an unavailable port included, ends in the utility's own message.
class TTempCompWindow : public TUtilityWindow {
    Q_OBJECT
  public:
    static constexpr int kReadCode = 39;
    static constexpr int kWriteCode = 40;
    static constexpr int kEntryId = 4000;
    static constexpr int kButtonId = 7001;

    TTempCompWindow(const screenEnvironment& environment, bool writeMode);

    /// Read mode: reads the bytes and shows them; false (code 0) when they could not be read.
    bool open();
    /// Write mode: programs the entry's bytes.
    void program();

    bool writeMode() const { return m_writeMode; }
    QLineEdit* entry() const { return m_entry; }
    QPushButton* button() const { return m_button; }

  private:
    bool m_writeMode;
    QLineEdit* m_entry = nullptr;
    QPushButton* m_button = nullptr;
};

}  // namespace vantrel
