// What reaches the event loop while the link waits inside an exchange, with the application's own idle hook.
#include <QAction>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/ScreenFactory.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"

namespace vantrel::test {

namespace {

/// The application's idle hook, wrapped: counts nesting and, at its first call, lets `during` put
/// things into the event loop as the window system or a click would.
struct WatchedIdle {
    explicit WatchedIdle(Shell& shell) : shell(shell) {
        linkContext().idleHook = [this] {
            ++depth;
            ++calls;
            deepest = std::max(deepest, depth);
            if (calls == 1 && during)
                during();
            this->shell.app().linkIdle();
            --depth;
        };
    }
    ~WatchedIdle() { linkContext().idleHook = nullptr; }
    Shell& shell;
    std::function<void()> during;
    int depth = 0;
    int deepest = 0;
    int calls = 0;
};

void queueTrigger(QAction* action) {
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
}

void queueClose(QWidget* window) {
    QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace

class ExchangeEventsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setScreenFactory(nullptr); }
    void cleanup() { setScreenFactory(nullptr); }

    void closingAScreenAndChoosingCommandsDuringAnExchangeWaitForItsEnd() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.run(cmd::TxHighPower));
        QPointer<QMdiSubWindow> child = shell.client().subWindowList().first();
        QPointer<TTuningScreen> screen = qobject_cast<TTuningScreen*>(child->widget());
        QVERIFY(screen);
        shell.prompt().clear();

        WatchedIdle idle(shell);
        bool closedDuring = false, radioKeyedAtClose = false;
        QStringList messagesDuring;
        idle.during = [&] {
            queueClose(child);
            queueTrigger(shell.frame().action(cmd::TxLowPower));
            queueTrigger(shell.frame().action(cmd::ProgramAll));
            queueTrigger(shell.frame().action(cmd::RadioInfo));
        };
        QObject::connect(screen, &QObject::destroyed, [&] { radioKeyedAtClose = shell.radio().keyed(); });
        screen->togglePtt();  // key up: an exchange with its pauses
        closedDuring = screen.isNull();
        messagesDuring = shell.messages();

        QVERIFY(idle.calls > 10);
        QCOMPARE(idle.deepest, 1);  // nothing started a second exchange inside the first
        QVERIFY(!closedDuring);
        QVERIFY(messagesDuring.isEmpty());
        QVERIFY(shell.radio().keyed());

        // After the exchange everything runs, in the order it came: the close (dekey, reset), then the
        // commands, each against the state the one before left.
        QCoreApplication::processEvents();
        Shell::settle();
        QVERIFY(screen.isNull());
        QVERIFY(!radioKeyedAtClose || !shell.radio().keyed());
        QVERIFY(!shell.radio().keyed());
        QCOMPARE(idle.deepest, 1);
        QCOMPARE(shell.messages(),
                 (QStringList{"Note|Program Radio?", "NOTE|Radio successfully programmed!!"}));
        QCOMPARE(shell.dialogsRun, QStringList{"Radio Information"});
        QCOMPARE(shell.app().openScreenCode(), 3);  // the low power screen, opened after the close
        QVERIFY(dynamic_cast<TTransmitLowPowerWindow*>(shell.client().subWindowList().first()->widget()));
    }

    void closingTheMainWindowDuringAnExchangeClosesItAfterwards() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.run(cmd::TxHighPower));
        QPointer<TTuningScreen> screen =
            qobject_cast<TTuningScreen*>(shell.client().subWindowList().first()->widget());
        shell.frame().show();
        WatchedIdle idle(shell);
        idle.during = [&] { queueClose(&shell.frame()); };
        screen->togglePtt();
        QVERIFY(shell.frame().isVisible());
        QVERIFY(screen);
        QCoreApplication::processEvents();
        Shell::settle();
        QVERIFY(!shell.frame().isVisible());
        QVERIFY(screen.isNull());
        QVERIFY(!shell.radio().keyed());
        QCOMPARE(idle.deepest, 1);
    }
};

std::unique_ptr<QObject> makeExchangeEventsTest() {
    return std::make_unique<ExchangeEventsTest>();
}

}  // namespace vantrel::test

#include "ExchangeEventsTest.moc"
