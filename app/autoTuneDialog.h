// The "Please Wait.... Auto Tuning...." box a tuning screen shows while the radio tunes itself.
#pragma once

#include <QDialog>

namespace vantrel {

/// Modeless; the screen creates it before the first auto-tune request and destroys it when tuning
/// ends or fails. Takes no input.
class autoTuneDialog : public QDialog {
  public:
    explicit autoTuneDialog(QWidget* parent);
};

}  // namespace vantrel
