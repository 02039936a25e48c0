// Lays a text window's lines out on printer pages in Times New Roman 10 and paints them.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace vantrel {

/// One printout of a text. Lines are never wrapped or split: a page holds as many whole lines as fit the
/// printable height. The first time the pages are computed the notice callback runs (once per printout).
class TApxPrintout {
  public:
    TApxPrintout(QString title, const QString& text, std::function<void()> firstLayoutNotice = {});

    const QString& title() const { return m_title; }
    const QStringList& lines() const { return m_lines; }

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

    /// The report font at the device's resolution.
    static QFont fontFor(const QPagedPaintDevice& device);

  private:
    void layout(const QPagedPaintDevice& device);

    QString m_title;
    QStringList m_lines;
    std::function<void()> m_notice;
    bool m_noticeShown = false;
};

}  // namespace vantrel
