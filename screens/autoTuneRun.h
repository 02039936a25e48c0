// One run of a screen whose radio tunes itself: the wait box shown and the screen closed to input.
#pragma once

#include <QPointer>
#include <QWidget>

namespace vantrel {

struct screenEnvironment;

/// While a run lasts the screen's controls are disabled and the shell's "Please Wait.... Auto Tuning...."
/// box is shown over it. The radio link keeps the window painting while it waits; clicks and keys made
/// meanwhile wait in the window system's queue and are dropped when the run ends, so none of them starts
/// another exchange afterwards.
class autoTuneRun {
  public:
    autoTuneRun(QWidget& screen, const screenEnvironment& environment);
    ~autoTuneRun();
    autoTuneRun(const autoTuneRun&) = delete;
    autoTuneRun& operator=(const autoTuneRun&) = delete;

    /// Removes the box and gives the screen back its input; done once, also by the destructor.
    void end();

  private:
    QPointer<QWidget> m_screen;
    QPointer<QWidget> m_box;
    bool m_wasEnabled = true;
    bool m_ended = false;
};

}  // namespace vantrel
