// One run of a screen whose radio tunes itself: the wait box shown and the screen closed to input.
#pragma once

#include <QPointer>
#include <QWidget>

namespace vantrel {

struct screenEnvironment;

/// While a run lasts the screen's controls are disabled and the shell's "Please Wait.... Auto Tuning...."
/// box is shown over it. The radio link keeps the windows painting while it waits; clicks and keys made
/// meanwhile wait in the window system's queue and are dropped when the run ends, so none of them starts
/// another exchange afterwards. Only a click on the frame around the screen (closing it) goes through:
/// the screen closes once the run is over.
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
