// The plot of one value across service events.
#include "app/THistoryPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantrel {

THistoryPlot::THistoryPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("historyPlot"));
    setMinimumSize(300, 160);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void THistoryPlot::setData(QString title, std::vector<historyPlotPoint> points) {
    m_title = std::move(title);
    m_points = std::move(points);
    update();
}

void THistoryPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const QRect area =
        rect().adjusted(metrics.horizontalAdvance(QStringLiteral("-00000")) + 8, line + 8, -12, -(line + 10));
    painter.drawText(QRect(0, 2, width(), line), Qt::AlignHCenter, m_title);
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawRect(area);

    std::vector<std::pair<int, long long>> known;
    for (std::size_t i = 0; i < m_points.size(); ++i)
        if (m_points[i].value)
            known.emplace_back(static_cast<int>(i), *m_points[i].value);
    if (known.empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(
            area, Qt::AlignCenter,
            m_points.empty() ? QStringLiteral("No events") : QStringLiteral("No event holds this value"));
        return;
    }
    long long low = known.front().second, high = low;
    for (const auto& [i, v] : known) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (low == high) {
        --low;
        ++high;
    }
    const int count = static_cast<int>(m_points.size());
    const auto xOf = [&](int i) {
        return count == 1 ? area.center().x() : area.left() + 6 + (area.width() - 12) * i / (count - 1);
    };
    const auto yOf = [&](long long v) {
        return area.bottom() - 6 - static_cast<int>((area.height() - 12) * (v - low) / (high - low));
    };
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, area.top() - line / 2, area.left() - 4, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(high));
    painter.drawText(QRect(0, area.bottom() - line / 2, area.left() - 4, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(low));
    painter.drawText(QRect(area.left(), area.bottom() + 4, area.width(), line), Qt::AlignLeft,
                     m_points.front().time);
    if (count > 1)
        painter.drawText(QRect(area.left(), area.bottom() + 4, area.width(), line), Qt::AlignRight,
                         m_points.back().time);

    QPainterPath path;
    path.moveTo(xOf(known.front().first), yOf(known.front().second));
    for (const auto& [i, v] : known) path.lineTo(xOf(i), yOf(v));
    painter.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 2));
    painter.drawPath(path);
    painter.setBrush(QColor(0x1f, 0x5f, 0xbf));
    for (const auto& [i, v] : known) painter.drawEllipse(QPoint(xOf(i), yOf(v)), 3, 3);
}

}  // namespace vantrel
