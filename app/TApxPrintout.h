// Lays a text window's lines out on printer pages in a fixed-pitch font and paints them.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "screens/TValuePlot.h"

class QPainter;
class QPagedPaintDevice;

namespace vantrel {

/// A plot the printout can add after its text: a procedure's title and its values.
struct printoutPlot {
    QString title;
    valuePlotData data;
};

/// One printout of a text. Tabs are expanded to stops every eight columns, so the page shows the text
/// exactly as a plain text window does, in a fixed-pitch font. Lines are never wrapped or split: a page
/// holds as many whole lines as fit the printable height. The first time the pages are computed the
/// notice callback runs (once per printout).
class TApxPrintout {
  public:
    static constexpr int kTabColumns = 8;
    static constexpr int kPointSize = 10;
    static constexpr int kPlotColumns = 2;
    static constexpr int kPlotRows = 3;
    static constexpr int kPlotsPerPage = kPlotColumns * kPlotRows;

    TApxPrintout(QString title, const QString& text, std::function<void()> firstLayoutNotice = {});

    const QString& title() const { return m_title; }
    /// Replaces the text: the pages are laid out anew (the notice does not run again).
    void setText(const QString& text);
    /// The text's lines, tabs expanded: what the pages show, in order.
    const QStringList& lines() const { return m_lines; }
    /// The lines one page shows (1-based page).
    QStringList pageLines(const QPagedPaintDevice& device, int page);

    /// Computes the pages for the device: number of lines (up to the last that is not blank) over lines
    /// per page, at least 1, and the pages of the plots when they are shown.
    int pageCount(const QPagedPaintDevice& device);
    /// The pages of the text alone.
    int textPageCount(const QPagedPaintDevice& device);

    /// Plots the printout can show after the text, kPlotsPerPage to a page.
    void setPlots(std::vector<printoutPlot> plots) { m_plots = std::move(plots); }
    const std::vector<printoutPlot>& plots() const { return m_plots; }
    /// Whether the plots' pages follow the text (off at first).
    void setShowPlots(bool show) { m_showPlots = show; }
    bool showPlots() const { return m_showPlots; }
    int linesPerPage(const QPagedPaintDevice& device);

    /// Paints page `page` (1-based) in the device's own pixels with the painter's origin at the
    /// printable area's top left.
    void paintPage(QPainter& painter, const QPagedPaintDevice& device, int page);
    /// Prints pages fromPage..toPage (0 for both: all) on the device. False when painting cannot start.
    bool print(QPagedPaintDevice& device, int fromPage = 0, int toPage = 0);
    /// The page as a picture `width` pixels wide (preview), white paper with the printable area placed.
    QImage renderPage(const QPagedPaintDevice& device, int page, int width);

    /// The report font at the device's resolution: fixed pitch, 10 points, smaller only when the
    /// longest line would not fit the printable width.
    QFont fontFor(const QPagedPaintDevice& device) const;
    /// Replaces each tab by blanks up to the next stop (every kTabColumns columns).
    static QString expandTabs(const QString& line);

  private:
    void layout(const QPagedPaintDevice& device);
    /// Paints plot page `index` (0-based, after the text) over the printable area.
    void paintPlotPage(QPainter& painter, const QPagedPaintDevice& device, int index);

    QString m_title;
    QStringList m_lines;
    int m_printedLines = 0;  ///< the lines up to the last one that is not blank
    int m_widestLine = 0;
    std::function<void()> m_notice;
    bool m_noticeShown = false;
    std::vector<printoutPlot> m_plots;
    bool m_showPlots = false;
};

}  // namespace vantrel
