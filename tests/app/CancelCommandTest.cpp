// The Cancel button of the progress window: it asks the running Read Radio or Program All to stop, the
// window takes input while the link waits, and the shell shows what the cancel left.
#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/TSplashWindow.h"
#include "sim/SimFrame.h"

namespace vantrel::test {

namespace {

/// The opcodes of the requests the radio received, in order.
std::vector<int> requestOpcodes(SimRadio& radio) {
    std::vector<int> out;
    for (const SimEvent& e : radio.transcript().filter(SimEventKind::FrameIn)) {
        SimFrameAssembler assembler;
        std::optional<SimFrame> frame;
        for (uint8_t b : e.bytes) frame = assembler.feed(b, 0);
        if (frame)
            out.push_back(frame->opcode);
    }
    return out;
}

constexpr int kResetOpcode = 0x10;

TSplashWindow* shownProgressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* progress = dynamic_cast<TSplashWindow*>(w); progress && progress->isVisible())
            return progress;
    return nullptr;
}

/// The application's idle hook, wrapped: once the radio has received `after` requests, the user clicks
/// the progress window's Cancel.
struct ClickCancel {
    ClickCancel(Shell& shell, unsigned after) : shell(shell), after(after) {
        linkContext().idleHook = [this] {
            if (!clicked && this->shell.radio().requestCount() >= this->after) {
                TSplashWindow* progress = shownProgressWindow();
                modalDuringRun = progress && QApplication::activeModalWidget() == progress;
                if (progress && progress->cancelButton()) {
                    QTest::mouseClick(progress->cancelButton(), Qt::LeftButton);
                    clicked = true;
                }
            }
            this->shell.app().linkIdle();
        };
    }
    ~ClickCancel() { linkContext().idleHook = nullptr; }
    Shell& shell;
    unsigned after;
    bool clicked = false;
    bool modalDuringRun = false;
};

}  // namespace

class CancelCommandTest : public QObject {
    Q_OBJECT
  private slots:
    void progressWindowHasACancelThatAsksOnce() {
        TSplashWindow window(QStringLiteral("missing.bmp"), QStringLiteral("Reading Softpots from radio..."));
        window.show();
        auto* button = window.findChild<QPushButton*>(QStringLiteral("cancelButton"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Cancel"));
        QVERIFY(button->isVisible() && button->isEnabled());
        QVERIFY(!window.cancelRequested());
        QVERIFY(window.acceptsCancel());
        QCOMPARE(window.windowModality(), Qt::ApplicationModal);
        // The button lies inside the window, clear of the gauge.
        QVERIFY(window.rect().contains(button->geometry()));
        QVERIFY(
            !button->geometry().intersects(window.findChild<QWidget*>(QStringLiteral("gauge"))->geometry()));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(window.cancelRequested());
        QVERIFY(!button->isEnabled());
        QVERIFY(!window.acceptsCancel());

        TSplashWindow other(QStringLiteral("missing.bmp"), QStringLiteral("Writing Softpots to radio..."));
        other.show();
        QTest::keyClick(&other, Qt::Key_Escape);
        QVERIFY(other.cancelRequested());
    }

    void cancelledReadKeepsTheEarlierReadAndResetsTheRadio() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        const QString status = shell.client().statusText();
        const QByteArray serial(shell.client().record().getSerialNo());
        const int highPowerF3 = shell.client().record().getValue(row::TxPower, col::TxPowerHigh + 2);
        shell.prompt().clear();
        shell.radio().transcript().clear();

        ClickCancel cancel(shell, shell.radio().requestCount() + 20);
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(cancel.clicked);
        QVERIFY(cancel.modalDuringRun);
        QCOMPARE(shell.messages(), QStringList{"NOTE|Read Radio cancelled. The record is unchanged."});
        const std::vector<int> opcodes = requestOpcodes(shell.radio());
        QCOMPARE(int(opcodes.size()), 21);  // the exchange in progress, then only the reset
        QCOMPARE(opcodes.back(), kResetOpcode);
        QVERIFY(!shell.radio().testMode().has_value());
        QVERIFY(shell.client().radioRead());
        QCOMPARE(shell.client().statusText(), status);
        QCOMPARE(QByteArray(shell.client().record().getSerialNo()), serial);
        QCOMPARE(shell.client().record().getValue(row::TxPower, col::TxPowerHigh + 2), highPowerF3);
        QVERIFY(!shell.client().busy());
        QVERIFY(!shell.line().deviceOpen());
        QVERIFY(!shownProgressWindow());
    }

    void cancelledProgramAllSaysWhatWasWritten() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        shell.prompt().clear();
        shell.radio().transcript().clear();

        // Serial, codeplug version, reference oscillator: then the cancel.
        ClickCancel cancel(shell, shell.radio().requestCount() + 3);
        QVERIFY(shell.run(cmd::ProgramAll));
        QVERIFY(cancel.clicked);
        QCOMPARE(
            shell.messages(),
            (QStringList{"Note|Program Radio?",
                         "NOTE|Program All cancelled after writing: Reference Oscillator. The other softpots "
                         "keep their previous values."}));
        const std::vector<int> opcodes = requestOpcodes(shell.radio());
        QCOMPARE(int(opcodes.size()), 4);
        QCOMPARE(opcodes.back(), kResetOpcode);
        QVERIFY(!shell.radio().testMode().has_value());
        QVERIFY(!shell.client().busy());
    }
};

std::unique_ptr<QObject> makeCancelCommandTest() {
    return std::make_unique<CancelCommandTest>();
}

}  // namespace vantrel::test

#include "CancelCommandTest.moc"
