// The main MDI frame.
#include "app/TVantrelFrame.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>

#include "app/AppIcons.h"
#include "app/CommandTable.h"
#include "app/RecentFileList.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelMDIClient.h"

namespace vantrel {

namespace {
constexpr int kSeparatorWidth = 6;

/// The status text. The radio's identity ("Radio Serial No :..." and, after the run of blanks,
/// "Radio Model No: ...") is drawn in two columns: the model number starts at the same place whatever
/// the serial number's length, as the blanks alone would place it only in a fixed-pitch font.
class TStatusText : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override {
        static const QString kModel = QStringLiteral("Radio Model No: ");
        const qsizetype at = text().indexOf(kModel);
        if (at < 0) {
            QLabel::paintEvent(event);
            return;
        }
        QFrame::paintEvent(event);  // the frame alone: the text is drawn below
        QPainter p(this);
        const QRect area = contentsRect().adjusted(margin() + 2, 0, -margin(), 0);
        const QFontMetrics fm(font());
        const int column =
            fm.horizontalAdvance(QStringLiteral("Radio Serial No :") + QString(10, QLatin1Char('W'))) +
            fm.horizontalAdvance(QString(95, QLatin1Char(' ')));
        p.setPen(palette().color(foregroundRole()));
        const QString serialPart = text().left(at).trimmed();
        p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, serialPart);
        p.drawText(
            area.adjusted(std::max(column, fm.horizontalAdvance(serialPart + QLatin1String("  "))), 0, 0, 0),
            Qt::AlignLeft | Qt::AlignVCenter, text().mid(at));
    }
};

}  // namespace

TVantrelFrame::TVantrelFrame(TVantrelApp& app) : m_app(app) {
    setObjectName(QStringLiteral("TVantrelFrame"));
    setWindowTitle(QString::fromLatin1(TVantrelApp::kTitle));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);

    m_client = new TVantrelMDIClient(app, this);
    setCentralWidget(m_client);

    m_statusText = new TStatusText(this);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->setFrameShape(QFrame::Panel);
    m_statusText->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(m_statusText, 1);
    m_historyNotice = new QLabel(this);
    m_historyNotice->setObjectName(QStringLiteral("historyNotice"));
    m_historyNotice->hide();
    statusBar()->addPermanentWidget(m_historyNotice);
    statusBar()->setSizeGripEnabled(true);
    m_client->setStatusLabel(m_statusText);

    buildMenus();
    buildToolBar();
    updateRecentFiles();

    connect(m_client, &TVantrelMDIClient::stateChanged, this, &TVantrelFrame::updateCommandStates);
    connect(m_client, &QMdiArea::subWindowActivated, this, &TVantrelFrame::updateCommandStates);
    updateCommandStates();
    resize(1100, 760);
}

void TVantrelFrame::buildMenus() {
    QHash<QString, QMenu*> menus;  // "menu" or "menu/submenu"
    for (const MenuSpec& m : menuTable()) {
        QString key = QString::fromLatin1(m.menu);
        QMenu* menu = nullptr;
        if (!m.submenu) {
            menu = menuBar()->addMenu(QString::fromLatin1(m.title));
            menus.insert(key, menu);
        } else {
            menu = new QMenu(QString::fromLatin1(m.title), this);
            menus.insert(key + QLatin1Char('/') + QString::fromLatin1(m.submenu), menu);
            if (m.groupId)
                m_groups.insert(m.groupId, menu);
            else if (m.enabler)
                m_plainSubmenus.append({menu, m.enabler});
        }
        menu->setObjectName(QString::fromLatin1(m.title));
        if (m.hint)
            menu->menuAction()->setStatusTip(QString::fromLatin1(m.hint));
        connect(menu, &QMenu::aboutToShow, this, &TVantrelFrame::updateCommandStates);
    }
    m_fileMenu = menus.value(QStringLiteral("&File"));

    QHash<QMenu*, bool> submenuPlaced;
    for (const CommandSpec& c : commandTable()) {
        auto* a = new QAction(QString::fromLatin1(c.text), this);
        a->setData(c.id);
        a->setObjectName(QString::number(c.id));
        if (c.hint)
            a->setStatusTip(QString::fromLatin1(c.hint));
        if (c.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(c.shortcut)));
        const int id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
        m_actions.insert(c.id, a);
        if (!c.menu) {
            addAction(a);  // reachable by shortcut only
            continue;
        }
        QMenu* top = menus.value(QString::fromLatin1(c.menu));
        QMenu* target = top;
        if (c.submenu) {
            target =
                menus.value(QString::fromLatin1(c.menu) + QLatin1Char('/') + QString::fromLatin1(c.submenu));
            if (!submenuPlaced.value(target)) {
                top->addMenu(target);
                submenuPlaced.insert(target, true);
            }
            for (const MenuSpec& m : menuTable()) {
                if (m.groupId && target == m_groups.value(m.groupId))
                    m_groupOf.insert(c.id, m.groupId);
            }
        }
        if (c.separatorBefore)
            target->addSeparator();
        if (c.id == cmd::Exit)
            m_exitAction = a;
        target->addAction(a);
    }
}

void TVantrelFrame::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("Toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    for (const ToolSpec& t : toolTable()) {
        if (t.commandId == 0) {
            auto* gap = new QWidget(m_toolBar);
            gap->setFixedWidth(kSeparatorWidth);
            m_toolBar->addWidget(gap);
            continue;
        }
        // The toolbar button shares the menu item's action, so it follows the same enabler.
        QAction* a = m_actions.value(t.commandId);
        a->setIcon(toolbarIcon(t.bitmap));
        a->setToolTip(QString::fromLatin1(t.tooltip));
        m_toolBar->addAction(a);
    }
}

void TVantrelFrame::updateRecentFiles() {
    for (QAction* a : m_recentActions) {
        m_fileMenu->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    const QStringList& entries = m_app.recentFiles().entries();
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = entries[i];
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)), this);
        a->setStatusTip(QStringLiteral("Opens this file"));
        connect(a, &QAction::triggered, this, [this, path] { m_client->openDroppedFile(path); });
        m_fileMenu->insertAction(m_exitAction, a);
        m_recentActions << a;
    }
    if (!entries.isEmpty())
        m_recentActions << m_fileMenu->insertSeparator(m_exitAction);
}

bool TVantrelFrame::isAvailable(int commandId) const {
    QAction* a = m_actions.value(commandId);
    if (!a || !a->isEnabled())
        return false;
    if (int group = m_groupOf.value(commandId))
        return m_groups.value(group)->menuAction()->isEnabled();
    return true;
}

void TVantrelFrame::execute(int commandId) {
    updateCommandStates();
    if (isAvailable(commandId))
        run(commandId);
}

void TVantrelFrame::dispatch(int commandId) {
    if (m_app.radioBusy() || m_app.hasDeferredWork()) {
        // Chosen while the radio is busy: it runs after the exchange, in turn, if still available then.
        m_app.whenRadioIdle([this, commandId] { execute(commandId); });
        return;
    }
    run(commandId);
}

void TVantrelFrame::run(int commandId) {
    if (m_app.helpMode()) {
        m_app.leaveHelpMode();
        m_app.showHelp(commandId);
        return;
    }
    const CommandSpec* c = findCommand(commandId);
    if (!c)
        return;
    if (c->clientHandler)
        (m_client->*(c->clientHandler))(commandId);
    else if (c->appHandler)
        (m_app.*(c->appHandler))(commandId);
    updateCommandStates();
}

void TVantrelFrame::updateCommandStates() {
    const ShellState state = m_client->shellState();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        it.value()->setEnabled(isCommandEnabled(it.key(), state));
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it)
        it.value()->menuAction()->setEnabled(isCommandEnabled(it.key(), state));
    // Pull-rights without a group id (the Window menu's own) follow their enabler alone.
    for (const auto& [menu, enabler] : m_plainSubmenus) menu->menuAction()->setEnabled(enabler(state));
}

void TVantrelFrame::closeEvent(QCloseEvent* event) {
    // A radio operation in progress owns the port and the record: the window closes once it ends.
    if (m_app.radioBusy()) {
        event->ignore();
        if (!m_closePending) {
            m_closePending = true;
            m_app.whenRadioIdle([this] {
                m_closePending = false;
                close();
            });
        }
        return;
    }
    m_client->closeAllSubWindows();
    m_app.closeToolWindows();
    event->accept();
}

void TVantrelFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TVantrelFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            m_client->openDroppedFile(url.toLocalFile());
    }
    event->acceptProposedAction();
}

void TVantrelFrame::showHistoryNotice(const QString& text, bool trouble) {
    // Told once per outage, never in a box: tuning goes on. The whole sentence is the tooltip.
    m_historyNotice->setText(trouble ? QStringLiteral("Service history: events wait in the spool")
                                     : QStringLiteral("Service history: recording again"));
    m_historyNotice->setToolTip(text);
    m_historyNotice->setStyleSheet(trouble ? QStringLiteral("color: #a00000") : QString());
    m_historyNotice->show();
}

}  // namespace vantrel
