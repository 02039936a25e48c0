// The main MDI frame: menus and toolbar built from the command table, the status bar, dropped files.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <utility>

#include "app/CommandTable.h"

class QLabel;
class QMenu;

namespace vantrel {

class TVantrelApp;
class TVantrelMDIClient;

/// The main window. It owns the MDI client and routes each command to the client or the application;
/// it re-asks every enabler whenever the client reports a change, a menu opens or a child comes or goes.
class TVantrelFrame : public QMainWindow {
  public:
    explicit TVantrelFrame(TVantrelApp& app);

    TVantrelMDIClient* client() { return m_client; }
    /// The action of a command (menu item or toolbar), nullptr when the table has none.
    QAction* action(int commandId) const { return m_actions.value(commandId); }
    /// The pull-right menu governed by a group enabler.
    QMenu* groupMenu(int groupId) const { return m_groups.value(groupId); }
    /// Whether the user can reach the command: its item enabled and its pull-right (if any) enabled.
    bool isAvailable(int commandId) const;
    /// Runs a command as if chosen from the menu (greyed commands do nothing).
    void execute(int commandId);
    QLabel* statusText() { return m_statusText; }
    /// The service history's word at the right of the status bar (empty when all is well).
    QLabel* historyNotice() { return m_historyNotice; }
    /// Shows the recorder's notice (`trouble`), or that the history takes events again for a while.
    void showHistoryNotice(const QString& text, bool trouble);
    QToolBar* toolBar() { return m_toolBar; }

    /// Re-evaluates every enabler.
    void updateCommandStates();
    /// Rebuilds the recent-file entries of the File menu.
    void updateRecentFiles();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildMenus();
    void buildToolBar();
    /// A command chosen from a menu, the toolbar or a shortcut: runs now, or after the radio exchange
    /// that is running.
    void dispatch(int commandId);
    void run(int commandId);

    TVantrelApp& m_app;
    TVantrelMDIClient* m_client = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_historyNotice = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_exitAction = nullptr;
    QList<QAction*> m_recentActions;
    QHash<int, QAction*> m_actions;
    QHash<int, QMenu*> m_groups;
    QList<std::pair<QMenu*, Enabler>> m_plainSubmenus;
    QHash<int, int> m_groupOf;  ///< command id -> group id of its pull-right
    bool m_closePending = false;
};

}  // namespace vantrel
