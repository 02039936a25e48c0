// One auto-tune run of a screen.
#include "screens/autoTuneRun.h"

#include <QCoreApplication>

#include "screens/screenEnvironment.h"

namespace vantrel {

autoTuneRun::autoTuneRun(QWidget& screen, const screenEnvironment& environment)
    : m_screen(&screen), m_wasEnabled(screen.isEnabled()) {
    screen.setEnabled(false);
    if (environment.makeAutoTuneBox) {
        m_box = environment.makeAutoTuneBox(&screen);
        if (m_box) {
            m_box->show();
            m_box->raise();
        }
    }
    // The box and the greyed screen appear before the radio is asked anything.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

autoTuneRun::~autoTuneRun() {
    end();
}

void autoTuneRun::end() {
    if (m_ended)
        return;
    m_ended = true;
    delete m_box.data();
    // Input made during the run reaches the still disabled screen now and is dropped there.
    QCoreApplication::processEvents();
    if (m_screen)
        m_screen->setEnabled(m_wasEnabled);
}

}  // namespace vantrel
