// The About box of the Help menu.
#pragma once

#include <QDialog>

namespace vantrel {

/// "About Tuner for Feldaris Radios": title, version, release date, icon and the legal notices.
class TAboutDialog : public QDialog {
  public:
    explicit TAboutDialog(QWidget* parent);
    /// The compiler's date text ("Dec  8 2026") as an ISO date ("2026-12-08").
    static QString isoDate(const char* compilerDate);
};

}  // namespace vantrel
