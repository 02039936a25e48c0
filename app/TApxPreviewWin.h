// The print preview window: one or two page images, page navigation, print and close.
#pragma once

#include <QDialog>
#include <functional>

class QAction;
class QLabel;
class QPagedPaintDevice;
class QToolBar;

namespace vantrel {

class TApxPrintout;

/// "Preview Window" over a printer and a printout (both outlive the window). The bar holds previous and
/// next page, one-page and two-page view (exclusive, one page first), the page indicator, print, save
/// as PDF and close.
class TApxPreviewWin : public QDialog {
  public:
    TApxPreviewWin(QWidget* parent, QPagedPaintDevice& printer, TApxPrintout& printout,
                   std::function<void()> print, std::function<void()> saveAsPdf);

    int currentPage() const { return m_page; }
    int pageCount() const { return m_pageCount; }
    bool twoPageView() const { return m_twoPages; }
    QString indicatorText() const;

    void nextPage();
    void previousPage();
    void setTwoPageView(bool two);
    /// Adds the printout's plots after the text, or takes them away again ("Show plots").
    void setShowPlots(bool show);
    QAction* showPlotsAction() const { return m_showPlots; }

    /// Adds the checkable "Before/After" option before "Print...". Turning it on or off lays out
    /// `reportText(on)` anew; an empty answer to "on" (nothing to compare with) leaves it off.
    void addBeforeAfterOption(std::function<QString(bool on)> reportText);
    /// The option's action; nullptr until it is added.
    QAction* beforeAfterAction() const { return m_beforeAfter; }
    const TApxPrintout& printout() const { return m_printout; }

  private:
    class PageArea;
    void refresh();

    QPagedPaintDevice& m_printer;
    TApxPrintout& m_printout;
    PageArea* m_area = nullptr;
    QLabel* m_indicator = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_onePage = nullptr;
    QAction* m_twoPage = nullptr;
    QToolBar* m_bar = nullptr;
    QAction* m_print = nullptr;
    QAction* m_beforeAfter = nullptr;
    QAction* m_showPlots = nullptr;
    int m_page = 1;
    int m_pageCount = 1;
    bool m_twoPages = false;
};

}  // namespace vantrel
