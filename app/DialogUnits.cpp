// Dialog unit conversion from the font's average character size.
#include "app/DialogUnits.h"

#include <QFontMetricsF>
#include <QWidget>
#include <cmath>

namespace vantrel {

DialogUnits::DialogUnits(const QWidget& widget) {
    QFontMetricsF fm(widget.font());
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_x = fm.horizontalAdvance(alphabet) / alphabet.size() / 4.0;
    m_y = fm.height() / 8.0;
}

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return QRect(int(std::lround(x * m_x)), int(std::lround(y * m_y)), int(std::lround(width * m_x)),
                 int(std::lround(height * m_y)));
}

QSize DialogUnits::size(int width, int height) const {
    return QSize(int(std::lround(width * m_x)), int(std::lround(height * m_y)));
}

}  // namespace vantrel
