// Lays a text window's lines out on printer pages in a fixed-pitch font and paints them.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace vantrel {

/// One printout of a text. Tabs are expanded to stops every eight columns, so the page shows the text
/// exactly as a plain text window does, in a fixed-pitch font. Lines are never wrapped or split: a page
/// holds as many whole lines as fit the printable height. The first time the pages are computed the
/// notice callback runs (once per printout).
class TApxPrintout {
  public:
    static constexpr int kTabColumns = 8;
    static constexpr int kPointSize = 10;

    TApxPrintout(QString title, const QString& text, std::function<void()> firstLayoutNotice = {});

    const QString& title() const { return m_title; }
    /// Replaces the text: the pages are laid out anew (the notice does not run again).
    void setText(const QString& text);
    /// The text's lines, tabs expanded: what the pages show, in order.
    const QStringList& lines() const { return m_lines; }
    /// The lines one page shows (1-based page).
    QStringList pageLines(const QPagedPaintDevice& device, int page);

    /// Computes the pages for the device: number of lines over lines per page, at least 1.
    int pageCount(const QPagedPaintDevice& device);
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

    QString m_title;
    QStringList m_lines;
    int m_widestLine = 0;
    std::function<void()> m_notice;
    bool m_noticeShown = false;
};

}  // namespace vantrel
