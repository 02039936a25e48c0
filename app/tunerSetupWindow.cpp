// The setup picture window.
#include "app/tunerSetupWindow.h"

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

}  // namespace vantrel
