// Page layout and painting of the report text.
#include "app/TApxPrintout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <cmath>

namespace vantrel {

namespace {
constexpr double kPointsPerInch = 72.0;

double lineHeightOf(const QFontMetricsF& fm) {
    return fm.height() + fm.leading();
}
}  // namespace

TApxPrintout::TApxPrintout(QString title, const QString& text, std::function<void()> firstLayoutNotice)
    : m_title(std::move(title)), m_notice(std::move(firstLayoutNotice)) {
    setText(text);
}

void TApxPrintout::setText(const QString& text) {
    m_lines.clear();
    m_widestLine = 0;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList raw = normalized.split(QLatin1Char('\n'));
    for (const QString& line : raw) {
        m_lines << expandTabs(line);
        m_widestLine = std::max(m_widestLine, int(m_lines.last().size()));
    }
    // A final line end does not open another (empty) line.
    if (m_lines.size() > 1 && m_lines.last().isEmpty())
        m_lines.removeLast();
    // The report ends in dozens of blank lines: pages holding nothing else are not pages.
    m_printedLines = int(m_lines.size());
    while (m_printedLines > 0 && m_lines[m_printedLines - 1].trimmed().isEmpty()) --m_printedLines;
}

QString TApxPrintout::expandTabs(const QString& line) {
    QString out;
    out.reserve(line.size() + kTabColumns);
    for (QChar c : line) {
        if (c == QLatin1Char('\t')) {
            out += QString(kTabColumns - out.size() % kTabColumns, QLatin1Char(' '));
        } else if (c != QLatin1Char('\r')) {
            out += c;
        }
    }
    return out;
}

QFont TApxPrintout::fontFor(const QPagedPaintDevice& device) const {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    font.setKerning(false);
    // Pixel size from the device's own resolution, so a page paints the same on paper and in previews.
    double pixels = kPointSize * device.logicalDpiY() / kPointsPerInch;
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    if (m_widestLine > 0) {
        // A line wider than the paper would lose its end: the whole report goes smaller instead.
        const double wide =
            QFontMetricsF(font, &device).horizontalAdvance(QString(m_widestLine, QLatin1Char('0')));
        if (wide > device.width())
            font.setPixelSize(std::max(1, int(std::floor(font.pixelSize() * device.width() / wide))));
    }
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
    return std::max(1, int(device.height() / lineHeightOf(fm)));
}

int TApxPrintout::textPageCount(const QPagedPaintDevice& device) {
    int perPage = linesPerPage(device);
    return std::max(1, (m_printedLines + perPage - 1) / perPage);
}

int TApxPrintout::pageCount(const QPagedPaintDevice& device) {
    const int plotPages = m_showPlots ? int((m_plots.size() + kPlotsPerPage - 1) / kPlotsPerPage) : 0;
    layout(device);
    return textPageCount(device) + plotPages;
}

QStringList TApxPrintout::pageLines(const QPagedPaintDevice& device, int page) {
    const int perPage = linesPerPage(device);
    return m_lines.mid((page - 1) * perPage, perPage);
}

void TApxPrintout::paintPage(QPainter& painter, const QPagedPaintDevice& device, int page) {
    const int textPages = textPageCount(device);
    if (page > textPages) {
        paintPlotPage(painter, device, page - textPages - 1);
        return;
    }
    const QFont font = fontFor(device);
    const QFontMetricsF fm(font, &device);
    const double lineHeight = lineHeightOf(fm);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QStringList lines = pageLines(device, page);
    for (int i = 0; i < lines.size(); ++i) {
        // Every blank is a character cell of its own: no text layout may fold or stretch them.
        if (!lines[i].trimmed().isEmpty())
            painter.drawText(QPointF(0, i * lineHeight + fm.ascent()), lines[i]);
    }
}

void TApxPrintout::paintPlotPage(QPainter& painter, const QPagedPaintDevice& device, int index) {
    if (!m_showPlots || index < 0)
        return;
    // Cells of equal size, filled row by row; a small gap keeps neighbouring frames apart.
    const double cellWidth = device.width() / double(kPlotColumns);
    const double cellHeight = device.height() / double(kPlotRows);
    const double gap = std::min(cellWidth, cellHeight) * 0.04;
    const size_t first = size_t(index) * kPlotsPerPage;
    for (size_t i = first; i < m_plots.size() && i < first + kPlotsPerPage; ++i) {
        const int cell = int(i - first);
        const QRectF area(cell % kPlotColumns * cellWidth + gap, cell / kPlotColumns * cellHeight + gap,
                          cellWidth - 2 * gap, cellHeight - 2 * gap);
        TValuePlot::paint(painter, area, m_plots[i].data, m_plots[i].title);
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
