// Program Serial No: the opening check, the length and character rules, the swap check, the write.
#include <QPushButton>
#include <QTest>

#include "UtilitiesTests.h"
#include "UtilityBench.h"
#include "utilities/TSerialNoEdit.h"
#include "utilities/TSerialProgramWindow.h"

namespace vantrel::test {

namespace {

std::unique_ptr<TSerialProgramWindow> opened(UtilityBench& bench) {
    auto window = std::make_unique<TSerialProgramWindow>(bench.environment());
    window->open();
    return window;
}

}  // namespace

class SerialProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void opensOnTheRadioThatWasRead() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        QCOMPARE(bench.code, 30);
        QVERIFY(!window->refused());
        QCOMPARE(window->windowTitle(), QString("Program Serial No"));
        QCOMPARE(window->size(), QSize(460, 170));
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        window.reset();
        QCOMPARE(bench.code, 0);
    }

    void aSwappedRadioAtOpeningIsAskedAboutAndOpensNothing() {
        UtilityBench bench("blank-serial");
        {
            // The radio on the cable now reads another serial number than the record's blank one.
            auto first = opened(bench);
            first->entry()->setText(QStringLiteral("OTHER00001"));
            first->update();
        }
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        auto window = opened(bench);
        QVERIFY(window->refused());
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(), QStringList{"WARNING|Radio has been changed!! Read in new radio?"});
        QCOMPARE(bench.reads, 0);
        bench.mark();
        auto again = opened(bench);  // OK reads the radio in
        QCOMPARE(bench.reads, 1);
        QCOMPARE(bench.code, 0);
    }

    void aBusyPortOrASilentRadioAtOpeningLeaveTheCodeAtZero() {
        UtilityBench bench("blank-serial");
        bench.holdPort();
        auto busy = opened(bench);
        QVERIFY(busy->refused());
        QCOMPARE(bench.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
        bench.releasePort();
        bench.mark();
        bench.silenceFromRequest(1);
        auto silent = opened(bench);
        QVERIFY(silent->refused());
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
    }

    void theEntryTakesTenCharactersOfTheSetOnly() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        QTest::keyClicks(window->entry(), QStringLiteral("Ab 1\"*#_~!%&()-+=|{}"));
        QCOMPARE(window->entry()->text(), QString("Ab1*#_~!%&"));
        window->entry()->clear();
        QTest::keyClicks(window->entry(), QStringLiteral("[];:'?/<>,@`.x"));
        QCOMPARE(window->entry()->text(), QString("[];:'?/<>,"));
    }

    void nineCharactersAreRefusedWithNothingSentByUpdateAndByEnter() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        bench.mark();
        QTest::keyClicks(window->entry(), QStringLiteral("ABC123456"));
        window->updateButton()->click();
        QTest::keyClick(window->entry(), Qt::Key_Return);
        QCOMPARE(bench.messages(), QStringList(2, "Entry Error|Serial No. must be exactly 10 characters"));
        QCOMPARE(bench.requests(), QStringList{});
    }

    void updateWritesTheSerialAndLeavesTheRecordAlone() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        bench.mark();
        QTest::keyClicks(window->entry(), QStringLiteral("VT-0042.{A"));
        window->updateButton()->click();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "W"}));
        QCOMPARE(bench.messages(), QStringList{"NOTE|Serial No. has been successfully programmed !!"});
        QCOMPARE(QString::fromStdString(bench.radio.serialNo()), QString("VT-0042.{A"));
        QCOMPARE(QString::fromStdString(bench.record.serialNoBytes()), QString(10, ' '));
    }

    void aRadioSwappedAfterOpeningIsCaughtByUpdateAndByEnter() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        QTest::keyClicks(window->entry(), QStringLiteral("VT00000001"));
        window->updateButton()->click();  // the radio now reads another serial than the record's blank
        bench.mark();
        window->entry()->setText(QStringLiteral("VT00000002"));
        window->updateButton()->click();
        QTest::keyClick(window->entry(), Qt::Key_Enter);
        const QString swapped =
            "WARNING|Radio has been changed!! Please close the current screen and read in new radio. Perform "
            "the "
            "same operation again.";
        QCOMPARE(bench.messages(), (QStringList{swapped, swapped}));
        QCOMPARE(bench.requests(), (QStringList{"I 1", "I 1"}));
        QCOMPARE(QString::fromStdString(bench.radio.serialNo()), QString("VT00000001"));
    }

    void aLinkFailureDuringUpdateIsTold() {
        UtilityBench bench("blank-serial");
        auto window = opened(bench);
        QTest::keyClicks(window->entry(), QStringLiteral("VT00000001"));
        bench.mark();
        bench.silenceFromRequest(2);
        window->updateButton()->click();
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        bench.holdPort();
        bench.mark();
        window->updateButton()->click();
        QCOMPARE(bench.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
    }
};

std::unique_ptr<QObject> makeSerialProgramTest() {
    return std::make_unique<SerialProgramTest>();
}

}  // namespace vantrel::test

#include "SerialProgramTest.moc"
