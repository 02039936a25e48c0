// The common ground of the utility windows.
#include "utilities/TUtilityWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "operations/UserPrompt.h"

namespace vantrel {

namespace {

constexpr int kFontPixels = 12;

QFont utilityFont(QFont::Weight weight) {
    // "Times Roman" stands in as the serif face the platform has.
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(kFontPixels);
    font.setWeight(weight);
    return font;
}

}  // namespace

TUtilityWindow::ActionScope::ActionScope(TUtilityWindow& window) : m_window(window) {
    ++m_window.m_actionDepth;
}

TUtilityWindow::ActionScope::~ActionScope() {
    if (--m_window.m_actionDepth == 0 && m_window.m_closeRequested) {
        m_window.m_closeRequested = false;
        m_window.closeLater();
    }
}

TUtilityWindow::TUtilityWindow(const screenEnvironment& environment, int code, const QString& title,
                               QSize size)
    : QWidget(environment.parent),
      m_labelFont(utilityFont(QFont::Normal)),
      m_controlFont(utilityFont(QFont::Medium)),
      m_environment(environment),
      m_code(code) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("utilityScreen%1").arg(code));
    resize(size);
    setMinimumSize(size);
    *m_environment.openScreenCode = code;
}

TUtilityWindow::~TUtilityWindow() {
    release();
}

void TUtilityWindow::release() {
    if (m_released)
        return;
    m_released = true;
    // Another window may have taken the code meanwhile only when this one refused (code 0 then).
    if (*m_environment.openScreenCode == m_code)
        *m_environment.openScreenCode = 0;
}

void TUtilityWindow::refuse() {
    m_refused = true;
    release();
    *m_environment.openScreenCode = 0;
}

void TUtilityWindow::closeLater() {
    QWidget* host = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!host)
        host = this;
    QTimer::singleShot(0, host, [host] { host->close(); });
}

void TUtilityWindow::show(const char* text, const char* caption, bool exclamation) {
    prompt().show(text, caption, exclamation ? PromptIcon::Exclamation : PromptIcon::Information);
}

QLabel* TUtilityWindow::addLabel(const QString& text, const QRect& geometry, bool bold) {
    auto* label = new QLabel(text, this);
    label->setGeometry(geometry);
    label->setFont(bold ? m_controlFont : m_labelFont);
    return label;
}

QPushButton* TUtilityWindow::addButton(const QString& text, int id, const QRect& geometry, bool glyph) {
    auto* button = glyph ? new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), text, this)
                         : new QPushButton(text, this);
    button->setGeometry(geometry);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setFont(m_controlFont);
    return button;
}

void TUtilityWindow::closeEvent(QCloseEvent* event) {
    if (m_actionDepth > 0) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    release();
    QWidget::closeEvent(event);
}

bool TUtilityWindow::event(QEvent* event) {
    // The frame that takes the window in goes to the fixed position, again when first shown.
    const bool place = event->type() == QEvent::ParentChange || (event->type() == QEvent::Show && !m_placed);
    if (place) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            frame->move(kPosition);
            m_placed = event->type() == QEvent::Show;
        }
    }
    return QWidget::event(event);
}

}  // namespace vantrel
