// Read or write the radio's four temperature compensation bytes.
#pragma once

#include "screens/TScreenSession.h"

class QLineEdit;
class QPushButton;

namespace vantrel {

/// The view of the temp comp utility: read mode (open-screen code 39) shows the bytes the session's opening
/// read into the record as eight hexadecimal digits; write mode (code 40) hands eight typed digits to the
/// session's Program. Every failure, an unavailable port included, ends in the utility's own message.
class TTempCompWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kReadCode = 39;
    static constexpr int kWriteCode = 40;
    static constexpr int kEntryId = 4000;
    static constexpr int kButtonId = 7001;

    TTempCompWindow(const screenEnvironment& environment, bool writeMode);

    /// Write mode: programs the entry's bytes.
    void program();

    bool writeMode() const { return m_writeMode; }
    QLineEdit* entry() const { return m_entry; }
    QPushButton* button() const { return m_button; }

  protected:
    void render(const sessionState& state) override;

  private:
    bool m_writeMode;
    QLineEdit* m_entry = nullptr;
    QPushButton* m_button = nullptr;
};

}  // namespace vantrel
