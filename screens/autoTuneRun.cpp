// One auto-tune run of a screen.
#include "screens/autoTuneRun.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>

#include "screens/screenEnvironment.h"

namespace vantrel {

namespace {

/// Drops the technician's clicks and keys except those aimed at the frame around the screen (its close
/// button): a close asked for during the run is honoured once the run is over, nothing else is.
class inputDropper : public QObject {
  public:
    explicit inputDropper(QWidget* frame) : m_frame(frame) {}

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::Wheel:
                break;
            default:
                return false;
        }
        // Keyboard shortcuts go to actions; everything else reaches a widget through its window first.
        if (event->type() == QEvent::Shortcut)
            return true;
        auto* widget = qobject_cast<QWidget*>(receiver);
        if (!widget)
            return false;
        return !(m_frame && (widget == m_frame || m_frame->isAncestorOf(widget)));
    }

  private:
    QWidget* m_frame;
};

}  // namespace

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
    // Input made during the run waits in the window system's queue: let it through now, dropped.
    {
        inputDropper dropper(m_screen ? m_screen->parentWidget() : nullptr);
        QCoreApplication::instance()->installEventFilter(&dropper);
        // The window system looks at held input again only once the event loop is woken.
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->wakeUp();
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(&dropper);
    }
    if (m_screen)
        m_screen->setEnabled(m_wasEnabled);
}

}  // namespace vantrel
