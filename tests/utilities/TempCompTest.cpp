// Temp comp read and write: the display, the entry rules, the four-byte write and the messages.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "UtilitiesTests.h"
#include "UtilityBench.h"
#include "radio/RecordLayout.h"
#include "utilities/TTempCompWindow.h"

namespace vantrel::test {

namespace {

std::unique_ptr<TTempCompWindow> opened(UtilityBench& bench, bool writeMode) {
    auto window = std::make_unique<TTempCompWindow>(bench.environment(), writeMode);
    window->open();
    return window;
}

}  // namespace

class TempCompTest : public QObject {
    Q_OBJECT
  private slots:
    void readModeShowsTheBytesAsLowerCaseHexAndKeepsThemInTheRecord() {
        UtilityBench bench("portable");
        {
            auto writer = opened(bench, true);
            writer->entry()->setText(QStringLiteral("01A000fF"));
            writer->button()->click();
        }
        for (int c = col::TempCompFirst; c <= col::TempCompLast; ++c)
            bench.record.setValue(row::Frequency, c, 0);
        auto window = opened(bench, false);
        QCOMPARE(bench.code, 39);
        QCOMPARE(window->windowTitle(), QString("Read Temp Comp"));
        QCOMPARE(window->entry()->text(), QString("01a000ff"));
        // The value read is shown readable, and cannot be typed over.
        QVERIFY(window->entry()->isEnabled());
        QVERIFY(window->entry()->isReadOnly());
        QCOMPARE(window->button()->text(), QString("Close"));
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompFirst + 1), 0xA0);
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompLast), 0xFF);
    }

    void aFailedReadLeavesNoWindow() {
        UtilityBench bench("portable");
        bench.silenceFromRequest(1);
        auto silent = opened(bench, false);
        QVERIFY(silent->refused());
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(), QStringList{"ERROR|Temp Comp data could not be read !!"});
        bench.radio.clearFaults();
        bench.holdPort();
        bench.mark();
        auto busy = opened(bench, false);
        QVERIFY(busy->refused());
        QCOMPARE(bench.messages(), QStringList{"ERROR|Temp Comp data could not be read !!"});
    }

    void writeModeProgramsFourBytesAndTheRecordFollows() {
        UtilityBench bench("portable");
        auto window = opened(bench, true);
        QCOMPARE(bench.code, 40);
        QCOMPARE(window->windowTitle(), QString("Write Temp Comp"));
        QVERIFY(window->entry()->text().isEmpty());
        QTest::keyClicks(window->entry(), QStringLiteral("1a2B3c4Dz9"));
        QCOMPARE(window->entry()->text(), QString("1a2B3c4D"));
        window->button()->click();
        QCOMPARE(bench.requests(), QStringList{"S 1/1: 26 43 60 77"});
        QCOMPARE(bench.messages(), QStringList{"NOTE|Temp Comp data has been written in successfully !!"});
        QCOMPARE(bench.radio.programmedValue(1), 0x1A2B3C4D);
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompFirst), 0x1A);
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompLast), 0x4D);
    }

    void sevenCharactersAreRefusedWithNothingSent() {
        UtilityBench bench("portable");
        auto window = opened(bench, true);
        QTest::keyClicks(window->entry(), QStringLiteral("1a2B3c4"));
        window->button()->click();
        QCOMPARE(bench.messages(), QStringList{"NOTE|Length of Temp Comp data must be exactly 4 bytes"});
        QCOMPARE(bench.requests(), QStringList{});
    }

    void aFailedWriteIsToldAndTheRecordKeepsItsBytes() {
        UtilityBench bench("portable");
        auto window = opened(bench, true);
        const int before = bench.record.getValue(row::Frequency, col::TempCompFirst);
        window->entry()->setText(QStringLiteral("00112233"));
        bench.silenceFromRequest(1);
        window->button()->click();
        QCOMPARE(bench.messages(), QStringList{"ERROR|Error writing in Temp Comp data !!"});
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompFirst), before);

        // A radio that acknowledges the store and then answers "unsupported" took nothing.
        bench.radio.clearFaults();
        bench.mark();
        SimFaultRule refusal;
        refusal.kind = SimFaultKind::Unsupported;
        refusal.atRequest = bench.radio.requestCount() + 1;
        bench.radio.addFault(refusal);
        window->button()->click();
        QCOMPARE(bench.messages(), QStringList{"ERROR|Error writing in Temp Comp data !!"});
        QCOMPARE(bench.record.getValue(row::Frequency, col::TempCompFirst), before);
    }
};

std::unique_ptr<QObject> makeTempCompTest() {
    return std::make_unique<TempCompTest>();
}

}  // namespace vantrel::test

#include "TempCompTest.moc"
