// The link monitor window.
#include "app/TLinkMonitorWindow.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "operations/UserPrompt.h"
#include "operations/linkMonitor.h"

namespace vantrel {

TLinkMonitorWindow::TLinkMonitorWindow(linkMonitor& monitor, UserPrompt& prompt, QWidget* parent)
    : QWidget(parent, Qt::Window), m_monitor(monitor), m_prompt(prompt) {
    setWindowTitle(QStringLiteral("Link Monitor"));
    setObjectName(QStringLiteral("linkMonitor"));
    resize(820, 480);
    m_view = new QPlainTextEdit(this);
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(kMaxShownLines);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pause = new QCheckBox(QStringLiteral("&Pause"), this);
    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(QStringLiteral("Filter (for example: softpot 0, retry, NAK)"));
    m_filter->setClearButtonEnabled(true);
    m_clear = new QPushButton(QStringLiteral("&Clear"), this);
    m_save = new QPushButton(QStringLiteral("&Save..."), this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(m_filter, 1);
    bar->addWidget(m_clear);
    bar->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Link Trace"),
                                            QStringLiteral("trace.txt"),
                                            QStringLiteral("Text files (*.txt)"));
    };
    connect(m_pause, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused)
            rebuild();
    });
    connect(m_filter, &QLineEdit::textChanged, this, [this] { rebuild(); });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_clearedBefore = m_monitor.events().size();
        m_view->clear();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile ? chooseFile() : QString();
        if (!path.isEmpty())
            saveTo(path);
    });
    m_monitor.listener = [this](const linkEvent& e) { heard(e); };
    rebuild();
}

TLinkMonitorWindow::~TLinkMonitorWindow() {
    m_monitor.listener = nullptr;
}

bool TLinkMonitorWindow::shows(const QString& line) const {
    const QString filter = m_filter->text().trimmed();
    return filter.isEmpty() || line.contains(filter, Qt::CaseInsensitive);
}

void TLinkMonitorWindow::heard(const linkEvent& event) {
    if (m_pause->isChecked())
        return;
    const QString line = QString::fromStdString(event.format());
    if (!shows(line))
        return;
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    m_view->appendPlainText(line);
    if (atBottom)
        bar->setValue(bar->maximum());
}

void TLinkMonitorWindow::rebuild() {
    const auto& events = m_monitor.events();
    if (m_clearedBefore > events.size())
        m_clearedBefore = 0;
    QStringList lines;
    for (size_t i = m_clearedBefore; i < events.size(); ++i) {
        const QString line = QString::fromStdString(events[i].format());
        if (shows(line))
            lines << line;
    }
    m_view->setPlainText(lines.join(QLatin1Char('\n')));
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

bool TLinkMonitorWindow::saveTo(const QString& path) {
    if (m_monitor.save(path.toStdString()))
        return true;
    m_prompt.show("The link trace could not be saved to " + path.toStdString(), "ERROR",
                  PromptIcon::Exclamation);
    return false;
}

}  // namespace vantrel
