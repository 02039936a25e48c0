// The setup picture window.
#include "app/tunerSetupWindow.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QPainter>

#include "app/Pictures.h"
#include "app/ProcedureCatalogue.h"

namespace vantrel {

tunerSetupWindow::tunerSetupWindow(bool portable, int* openScreenCode, int* setupPictureOpen, QWidget* parent,
                                   const QString& bitmapPath)
    : QWidget(parent), m_openScreenCode(openScreenCode), m_setupPictureOpen(setupPictureOpen) {
    setObjectName(QStringLiteral("tunerSetupWindow"));
    if (!m_picture.load(bitmapPath))
        m_picture = drawSetupPicture(portable);
    setMinimumSize(200, 160);
    resize(600, 500);
    *m_openScreenCode = portable ? screenCode::PortableSetup : screenCode::MobileSetup;
}

tunerSetupWindow::~tunerSetupWindow() {
    *m_openScreenCode = screenCode::None;
    *m_setupPictureOpen = 0;
}

void tunerSetupWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QImage shown = m_picture;
    if (shown.width() > width() || shown.height() > height())
        shown = m_picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    p.drawImage(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

bool tunerSetupWindow::event(QEvent* event) {
    // The frame goes to its fixed place when it takes the picture in, and again when first shown, as
    // the main window may have placed it meanwhile.
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
