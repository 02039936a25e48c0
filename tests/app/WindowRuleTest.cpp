// The one-screen rule: same screen, another screen, setup pictures, blocked tuning, the screen factory.
#include <QMdiSubWindow>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"

namespace vantrel::test {

namespace {
const QString kStillOpen = " NOTE|Current window still open! Please close first!";
}

class WindowRuleTest : public QObject {
    Q_OBJECT
  private slots:
    void sameScreenAgainDoesNothingAnotherShowsStillOpen() {
        Shell shell;
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        QVERIFY(shell.run(cmd::RefOscWarp));
        QCOMPARE(shell.app().openScreenCode(), 1);
        QCOMPARE(shell.client().subWindowList().size(), 1);
        QCOMPARE(shell.client().subWindowList().first()->windowTitle(), QString("Reference Oscillator Warp"));

        shell.run(cmd::RefOscWarp);
        QVERIFY(shell.messages().isEmpty());
        shell.run(cmd::ModBalance);
        QCOMPARE(shell.messages(), QStringList{kStillOpen});
        QCOMPARE(shell.prompt().shown().back().icon, PromptIcon::Information);
        QCOMPARE(screens.requests.size(), size_t(1));
        QCOMPARE(shell.client().subWindowList().size(), 1);
    }

    void setupPicturesCountAsScreens() {
        Shell shell;
        shell.start();
        shell.frame().show();
        QVERIFY(shell.run(cmd::PortableSetup));
        QCOMPARE(shell.app().openScreenCode(), screenCode::PortableSetup);
        QCOMPARE(shell.client().setupPictureOpen(), 1);
        QCOMPARE(shell.client().subWindowList().first()->windowTitle(), QString("Radio Setup"));
        QCOMPARE(shell.client().subWindowList().first()->pos(), QPoint(1, 1));
        shell.run(cmd::PortableSetup);
        QVERIFY(shell.messages().isEmpty());
        shell.run(cmd::MobileSetup);
        QCOMPARE(shell.messages(), QStringList{kStillOpen});
        QCOMPARE(shell.client().subWindowList().size(), 1);

        shell.client().closeAllSubWindows();
        Shell::settle();
        QCOMPARE(shell.app().openScreenCode(), 0);
        QCOMPARE(shell.client().setupPictureOpen(), 0);
        QVERIFY(shell.run(cmd::MobileSetup));
        QCOMPARE(shell.app().openScreenCode(), screenCode::MobileSetup);
        QCOMPARE(shell.client().subWindowList().first()->pos(), QPoint(1, 1));
    }

    void setupPictureAgainstAnOpenTuningScreen() {
        Shell shell;
        shell.start();
        shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        shell.run(cmd::Dtmf);
        shell.run(cmd::PortableSetup);
        QCOMPARE(shell.messages(), QStringList{kStillOpen});
        QCOMPARE(shell.client().setupPictureOpen(), 0);
    }

    void blockedTuningRemovesScreensAndPicturesAtOnce() {
        Shell shell("procedure-3");
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        // A screen command that still runs (its enabler does not look at the data) opens nothing.
        shell.client().cmOpenScreen(cmd::Vco12k5);
        QCOMPARE(screens.requests.size(), size_t(1));
        Shell::settle();
        QCOMPARE(shell.client().subWindowList().size(), 0);
        QCOMPARE(shell.app().openScreenCode(), 0);
        QVERIFY(shell.run(cmd::PortableSetup));
        Shell::settle();
        QCOMPARE(shell.client().subWindowList().size(), 0);
        QCOMPARE(shell.app().openScreenCode(), 0);
        QCOMPARE(shell.client().setupPictureOpen(), 0);
        QVERIFY(shell.frame().isAvailable(cmd::ReadRadio));
    }

    void refusingScreenAndUnknownScreenLeaveNothingOpen() {
        Shell shell;
        shell.start();
        shell.run(cmd::ReadRadio);
        // A command whose window does not exist is greyed, never silently inert; one that exists opens.
        for (const ProcedureEntry& p : procedureCatalogue()) {
            if (!p.create)
                QVERIFY2(!shell.frame().isAvailable(p.commandId), p.screenClass);
        }
        QVERIFY(shell.run(cmd::RefOscWarp));
        QCOMPARE(shell.app().openScreenCode(), 1);
        shell.client().subWindowList().first()->close();
        Shell::settle();
        QCOMPARE(shell.app().openScreenCode(), 0);
        QVERIFY(shell.frame().isAvailable(cmd::LoadArchive));

        shell.fakeScreens().refuse = true;
        QVERIFY(shell.run(cmd::ModBalance));
        Shell::settle();
        QCOMPARE(shell.client().subWindowList().size(), 0);
        QCOMPARE(shell.app().openScreenCode(), 0);
    }

    void tempCompPublishesItsCodeAndHasItsOwnMessage() {
        Shell shell;
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        shell.run(cmd::TempCompRead);
        QCOMPARE(shell.app().openScreenCode(), screenCode::TempCompRead);
        shell.run(cmd::TempCompWrite);
        QCOMPARE(shell.messages(),
                 QStringList{"NOTE|Please close all windows before writing Temp Comp data"});
        QCOMPARE(screens.requests.size(), size_t(1));
    }

    void paBiasScreeningChoosesTheScreen() {
        Shell shell;
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();

        shell.prompt().answer(PromptAnswer::Cancel);
        shell.client().cmPaBiasHigh(cmd::PaBiasHigh);
        QCOMPARE(shell.messages(), QStringList{"WARNING|PCIC SCREENING\n\nSet Supply Voltage to 6V"});
        QCOMPARE(shell.prompt().shown()[0].buttons, PromptButtons::OkCancel);
        QVERIFY(screens.requests.empty());

        // Yes: the normal screen is made before the current question and gone before the default one.
        shell.prompt().clear();
        shell.prompt().answer(PromptAnswer::Ok);
        shell.prompt().answer(PromptAnswer::Yes);
        shell.client().cmPaBiasHigh(cmd::PaBiasHigh);
        QCOMPARE(shell.prompt().shown()[1].text, std::string("Is Current Drawn of the Radio > 100mA?"));
        QCOMPARE(shell.prompt().shown()[1].buttons, PromptButtons::YesNo);
        QCOMPARE(screens.requests.size(), size_t(2));
        QCOMPARE(screens.requests[0].code, screenCode::PaBiasHigh);
        QVERIFY(!screens.requests[0].defaultVariant);
        QCOMPARE(screens.requests[1].code, screenCode::PaBiasHighDefault);
        QCOMPARE(screens.requests[1].childCaption, QString("PA Bias Default (High Power)"));
        QVERIFY(screens.requests[1].defaultVariant);
        QCOMPARE(shell.app().openScreenCode(), screenCode::PaBiasHighDefault);
        QCOMPARE(shell.client().subWindowList().size(), 1);
        QCOMPARE(shell.app().lastHelpContext(), helpContext::PaBiasDefault);
        shell.client().closeAllSubWindows();
        Shell::settle();

        shell.prompt().clear();
        screens.requests.clear();
        shell.prompt().answer(PromptAnswer::Ok);
        shell.prompt().answer(PromptAnswer::No);
        shell.client().cmPaBiasLow(cmd::PaBiasLow);
        QCOMPARE(
            shell.messages().last(),
            QString("NOTE|You are clear to proceed for PA Bias Tuning.\nPlease Set Supply Voltage to 7.5V"));
        QCOMPARE(screens.requests.size(), size_t(1));
        QCOMPARE(screens.requests.back().code, screenCode::PaBiasLow);
        QCOMPARE(shell.app().openScreenCode(), screenCode::PaBiasLow);
        QCOMPARE(shell.client().subWindowList().first()->windowTitle(), QString("PA Bias Voltage Low Power"));

        // With a screen open, the rule speaks before any question.
        shell.prompt().clear();
        shell.client().cmPaBiasHigh(cmd::PaBiasHigh);
        QCOMPARE(shell.messages(), QStringList{kStillOpen});
        shell.prompt().clear();
        shell.client().cmPaBiasLow(cmd::PaBiasLow);
        QVERIFY(shell.messages().isEmpty());
        QCOMPARE(screens.requests.size(), size_t(1));
    }

    void paBiasScreeningAsksNothingWhileTuningIsBlockedOrTheScreenRefuses() {
        Shell blocked("procedure-3");
        blocked.start();
        FakeScreenFactory& none = blocked.fakeScreens();
        blocked.run(cmd::ReadRadio);
        blocked.prompt().clear();
        blocked.client().cmPaBiasHigh(cmd::PaBiasHigh);
        blocked.client().cmPaBiasLow(cmd::PaBiasLow);
        QVERIFY(blocked.messages().isEmpty());
        QVERIFY(none.requests.empty());

        // A normal screen that refuses to open ends the screening before the current question.
        Shell shell;
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        screens.refuse = true;
        shell.client().cmPaBiasLow(cmd::PaBiasLow);
        QCOMPARE(shell.messages(), QStringList{"WARNING|PCIC SCREENING\n\nSet Supply Voltage to 6V"});
        QCOMPARE(screens.requests.size(), size_t(1));
        QCOMPARE(shell.app().openScreenCode(), 0);
        QVERIFY(shell.client().subWindowList().isEmpty());
    }

    void serialProgrammingNeedsABlankSerial() {
        Shell shell("portable");
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        shell.prompt().clear();
        shell.run(cmd::ProgramSerialNo);
        QCOMPARE(shell.messages(), QStringList{" NOTE|Serial No. is not blank"});
        QVERIFY(screens.requests.empty());

        Shell blank("blank-serial");
        blank.start();
        FakeScreenFactory& blankScreens = blank.fakeScreens();
        blank.run(cmd::ReadRadio);
        blank.run(cmd::ProgramSerialNo);
        QCOMPARE(blankScreens.requests.size(), size_t(1));
        QCOMPARE(blankScreens.requests[0].code, screenCode::SerialProgram);
    }

    void kAndMScreenGetsItsScales() {
        Shell shell("mobile");
        shell.start();
        FakeScreenFactory& screens = shell.fakeScreens();
        shell.run(cmd::ReadRadio);
        QVERIFY(shell.run(cmd::KmTuning));
        QCOMPARE(screens.requests.back().mScale, 2500u);
        QCOMPARE(screens.requests.back().kScale, 25.0);
        QCOMPARE(screens.requests.back().title, QString("Transmit Power Tuning (Mobile)"));
    }
};

std::unique_ptr<QObject> makeWindowRuleTest() {
    return std::make_unique<WindowRuleTest>();
}

}  // namespace vantrel::test

#include "WindowRuleTest.moc"
