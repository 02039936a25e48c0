// The About box of the Help menu.
#pragma once

#include <QDialog>

namespace vantrel {

/// "About Tuner for Feldaris Radios": title, version, release date, icon and the legal notices.
class TAboutDialog : public QDialog {
  public:
    explicit TAboutDialog(QWidget* parent);
};

}  // namespace vantrel
