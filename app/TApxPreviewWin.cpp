// The print preview window.
#include "app/TApxPreviewWin.h"

#include <QActionGroup>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/TApxPrintout.h"

namespace vantrel {

/// Paints the shown pages side by side, scaled to fit, on a grey desk.
class TApxPreviewWin::PageArea : public QWidget {
  public:
    PageArea(QWidget* parent, QPagedPaintDevice& printer, TApxPrintout& printout)
        : QWidget(parent), m_printer(printer), m_printout(printout) {
        setMinimumSize(300, 300);
        setAutoFillBackground(false);
    }
    void show(int first, int count) {
        m_first = first;
        m_count = count;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x8a, 0x93, 0x9c));
        QSizeF paper = m_printer.pageLayout().fullRectPixels(m_printer.logicalDpiX()).size();
        if (paper.isEmpty())
            return;
        const int margin = 16;
        double slotWidth = (width() - margin * (m_count + 1)) / double(m_count);
        double scale = std::min(slotWidth / paper.width(), (height() - 2 * margin) / paper.height());
        int pageWidth = std::max(1, int(paper.width() * scale));
        int pageHeight = int(paper.height() * scale);
        int total = m_count * pageWidth + (m_count - 1) * margin;
        int x = (width() - total) / 2;
        for (int i = 0; i < m_count; ++i) {
            QImage img = m_printout.renderPage(m_printer, m_first + i, pageWidth);
            QRect target(x, (height() - pageHeight) / 2, pageWidth, pageHeight);
            p.fillRect(target.translated(4, 4), QColor(0, 0, 0, 70));
            p.drawImage(target, img);
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.drawRect(target.adjusted(0, 0, -1, -1));
            x += pageWidth + margin;
        }
    }

  private:
    QPagedPaintDevice& m_printer;
    TApxPrintout& m_printout;
    int m_first = 1;
    int m_count = 1;
};

TApxPreviewWin::TApxPreviewWin(QWidget* parent, QPagedPaintDevice& printer, TApxPrintout& printout,
                               std::function<void()> print, std::function<void()> saveAsPdf)
    : QDialog(parent, Qt::Window), m_printer(printer), m_printout(printout) {
    setObjectName(QStringLiteral("TApxPreviewWin"));
    setWindowTitle(QStringLiteral("Preview Window"));
    m_pageCount = m_printout.pageCount(m_printer);

    auto* bar = new QToolBar(this);
    m_bar = bar;
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_previous = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Previous"), this,
                                &TApxPreviewWin::previousPage);
    m_previous->setShortcut(QKeySequence::MoveToPreviousPage);
    m_next = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Next"), this,
                            &TApxPreviewWin::nextPage);
    m_next->setShortcut(QKeySequence::MoveToNextPage);
    bar->addSeparator();
    auto* views = new QActionGroup(this);
    views->setExclusive(true);
    m_onePage = bar->addAction(QStringLiteral("One Page"), this, [this] { setTwoPageView(false); });
    m_twoPage = bar->addAction(QStringLiteral("Two Pages"), this, [this] { setTwoPageView(true); });
    for (QAction* a : {m_onePage, m_twoPage}) {
        a->setCheckable(true);
        views->addAction(a);
    }
    m_onePage->setChecked(true);
    bar->addSeparator();
    m_showPlots = bar->addAction(QStringLiteral("Show plots"), this, [this](bool on) { setShowPlots(on); });
    m_showPlots->setObjectName(QStringLiteral("showPlots"));
    m_showPlots->setCheckable(true);
    m_showPlots->setChecked(m_printout.showPlots());
    m_showPlots->setEnabled(!m_printout.plots().empty());
    bar->addSeparator();
    m_indicator = new QLabel(bar);
    m_indicator->setObjectName(QStringLiteral("pageIndicator"));
    m_indicator->setMinimumWidth(110);
    m_indicator->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_indicator);
    bar->addSeparator();
    QAction* printAction = bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                          QStringLiteral("Print..."), this, [print] {
                                              if (print)
                                                  print();
                                          });
    printAction->setShortcut(QKeySequence::Print);
    printAction->setObjectName(QStringLiteral("print"));
    m_print = printAction;
    QAction* pdfAction = bar->addAction(QStringLiteral("Save as PDF..."), this, [saveAsPdf] {
        if (saveAsPdf)
            saveAsPdf();
    });
    pdfAction->setObjectName(QStringLiteral("saveAsPdf"));
    bar->addSeparator();
    bar->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Close"), this,
                   &QDialog::accept);

    m_area = new PageArea(this, m_printer, m_printout);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_area, 1);
    resize(900, 700);
    refresh();
}

QString TApxPreviewWin::indicatorText() const {
    int last = m_twoPages ? std::min(m_page + 1, m_pageCount) : m_page;
    if (last != m_page)
        return QStringLiteral("Page %1 - %2").arg(m_page).arg(last);
    return QStringLiteral("Page %1").arg(m_page);
}

void TApxPreviewWin::nextPage() {
    int step = m_twoPages ? 2 : 1;
    if (m_page + step <= m_pageCount)
        m_page += step;
    refresh();
}

void TApxPreviewWin::previousPage() {
    int step = m_twoPages ? 2 : 1;
    m_page = std::max(1, m_page - step);
    refresh();
}

void TApxPreviewWin::setTwoPageView(bool two) {
    m_twoPages = two;
    (two ? m_twoPage : m_onePage)->setChecked(true);
    refresh();
}

void TApxPreviewWin::addBeforeAfterOption(std::function<QString(bool)> reportText) {
    if (m_beforeAfter)
        return;
    m_beforeAfter = new QAction(QStringLiteral("Before/After"), this);
    m_beforeAfter->setObjectName(QStringLiteral("beforeAfter"));
    m_beforeAfter->setCheckable(true);
    m_beforeAfter->setToolTip(
        QStringLiteral("Shows beside each value the value of an archive chosen for comparison"));
    m_bar->insertAction(m_print, m_beforeAfter);
    m_bar->insertSeparator(m_print);
    connect(m_beforeAfter, &QAction::toggled, this, [this, reportText](bool on) {
        const QString text = reportText ? reportText(on) : QString();
        if (text.isEmpty()) {
            if (on) {
                const QSignalBlocker block(m_beforeAfter);
                m_beforeAfter->setChecked(false);
            }
            return;
        }
        m_printout.setText(text);
        m_pageCount = m_printout.pageCount(m_printer);
        m_page = std::min(m_page, m_pageCount);
        refresh();
    });
}

void TApxPreviewWin::setShowPlots(bool show) {
    m_showPlots->setChecked(show);
    m_printout.setShowPlots(show);
    m_pageCount = m_printout.pageCount(m_printer);
    // The plots' pages go away under a page that showed them.
    m_page = std::min(m_page, m_pageCount);
    refresh();
}

void TApxPreviewWin::refresh() {
    int shown = (m_twoPages && m_page < m_pageCount) ? 2 : 1;
    m_area->show(m_page, shown);
    m_indicator->setText(indicatorText());
    m_previous->setEnabled(m_page > 1);
    m_next->setEnabled(m_page + (m_twoPages ? 2 : 1) <= m_pageCount);
}

}  // namespace vantrel
