// Page layout and painting of the report text.
#include "app/TApxPrintout.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextOption>
#include <cmath>

namespace vantrel {

namespace {
constexpr int kPointSize = 10;
constexpr int kTabColumns = 8;  ///< a tab stop every eight average characters
constexpr double kPointsPerInch = 72.0;

QTextOption lineOption(const QFontMetricsF& fm) {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(kTabColumns * fm.averageCharWidth());
    return option;
}
}  // namespace

TApxPrintout::TApxPrintout(QString title, const QString& text, std::function<void()> firstLayoutNotice)
    : m_title(std::move(title)), m_notice(std::move(firstLayoutNotice)) {
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_lines = normalized.split(QLatin1Char('\n'));
    // A final line end does not open another (empty) line.
    if (m_lines.size() > 1 && m_lines.last().isEmpty())
        m_lines.removeLast();
}

QFont TApxPrintout::fontFor(const QPagedPaintDevice& device) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Medium);
    // Pixel size from the device's own resolution, so a page paints the same on paper and in previews.
    font.setPixelSize(std::max(1, int(std::lround(kPointSize * device.logicalDpiY() / kPointsPerInch))));
    return font;
}

void TApxPrintout::layout(const QPagedPaintDevice&) {
    if (!m_noticeShown) {
        m_noticeShown = true;
        if (m_notice)
            m_notice();
    }
}

int TApxPrintout::linesPerPage(const QPagedPaintDevice& device) {
    QFontMetricsF fm(fontFor(device), &device);
    double lineHeight = fm.height() + fm.leading();
    return std::max(1, int(device.height() / lineHeight));
}

int TApxPrintout::pageCount(const QPagedPaintDevice& device) {
    layout(device);
    int perPage = linesPerPage(device);
    return std::max(1, int((m_lines.size() + perPage - 1) / perPage));
}

void TApxPrintout::paintPage(QPainter& painter, const QPagedPaintDevice& device, int page) {
    QFont font = fontFor(device);
    QFontMetricsF fm(font, &device);
    double lineHeight = fm.height() + fm.leading();
    int perPage = linesPerPage(device);
    QTextOption option = lineOption(fm);
    painter.setFont(font);
    painter.setPen(Qt::black);
    int first = (page - 1) * perPage;
    for (int i = 0; i < perPage && first + i < m_lines.size(); ++i) {
        QRectF lineRect(0, i * lineHeight, device.width(), lineHeight);
        painter.drawText(lineRect, m_lines[first + i], option);
    }
}

bool TApxPrintout::print(QPagedPaintDevice& device, int fromPage, int toPage) {
    int count = pageCount(device);
    int first = fromPage > 0 ? std::min(fromPage, count) : 1;
    int last = toPage > 0 ? std::min(toPage, count) : count;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int page = first; page <= last; ++page) {
        if (page != first)
            device.newPage();
        paintPage(painter, device, page);
    }
    return painter.end();
}

QImage TApxPrintout::renderPage(const QPagedPaintDevice& device, int page, int width) {
    QRectF paper = device.pageLayout().fullRectPixels(device.logicalDpiX());
    QRectF printable = device.pageLayout().paintRectPixels(device.logicalDpiX());
    if (paper.width() <= 0 || width <= 0)
        return {};
    double scale = width / paper.width();
    QImage image(width, int(std::lround(paper.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(printable.topLeft());
    paintPage(painter, device, page);
    return image;
}

}  // namespace vantrel
