// Update Baseband Offset: the checks before opening, both kinds of radio, the lists, the update flows.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "UtilitiesTests.h"
#include "UtilityBench.h"
#include "operations/basebandOffsets.h"
#include "radio/RecordLayout.h"
#include "sim/SimProtocol.h"
#include "utilities/TBasebandUpdateWindow.h"

namespace vantrel::test {

namespace {

/// The window opened; nullptr when its opening refused.
std::unique_ptr<TBasebandUpdateWindow> opened(UtilityBench& bench) {
    auto window = std::make_unique<TBasebandUpdateWindow>(bench.environment());
    if (!window->open())
        return nullptr;
    return window;
}

QStringList labels(const QWidget& window) {
    QStringList out;
    for (const QLabel* l : window.findChildren<QLabel*>()) out << l->text();
    return out;
}

/// A widget by its text, or its name when it shows none.
QString describe(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w))
        return "label \"" + label->text() + "\"";
    return w->objectName();
}

/// Picks `text` in row `row`'s list as the user would.
void pick(TBasebandUpdateWindow& window, int row, const QString& text) {
    QComboBox* list = window.list(row);
    list->setCurrentIndex(list->findText(text));
    emit list->activated(list->currentIndex());
}

}  // namespace

class BasebandTest : public QObject {
    Q_OBJECT
  private slots:
    void aMissingOrDamagedFileOpensNothing() {
        UtilityBench missing("bbo-codeplug", false);
        QVERIFY(!opened(missing));
        QCOMPARE(missing.messages(),
                 QStringList{
                     " NOTE|Baseband Offset Utility configuration file is missing.\nPlease contact Kestrane "
                     "for latest configuration file."});
        QCOMPARE(missing.requests(), QStringList{});

        UtilityBench damaged("bbo-codeplug", false);
        QFile file(damaged.dir.filePath(QStringLiteral("bbo.cfg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1234\r\n1234\r\n1235\r\n1235\r\n");  // a block that ends after its word
        file.close();
        QVERIFY(!opened(damaged));
        QCOMPARE(damaged.messages(),
                 QStringList{"Error|Unable to read Baseband Offset Utility configuration file"});
        QVERIFY(!damaged.config.isLoaded());
    }

    void aSharedFileIsFoundAndTheWindowNamesIt() {
        // Only the copy a package installs for every user: the window opens on it and says so.
        UtilityBench bench("bbo-codeplug", false);
        const QString shared = bench.dir.filePath(QStringLiteral("xdg-share/vantrel"));
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(QFile::copy(QStringLiteral(VANTREL_SIM_PROFILES "/bbo.cfg"), shared + "/bbo.cfg"));
        auto window = opened(bench);
        QVERIFY(window);
        QCOMPARE(window->configurationFileText(), "Configuration file: " + shared + "/bbo.cfg");

        // A radio that keeps its own offsets reads no file, and the window names none.
        UtilityBench held("bbo-radio", false);
        auto heldWindow = opened(held);
        QVERIFY(heldWindow);
        QCOMPARE(heldWindow->configurationFileText(), QString());
    }

    void aRadioNoBlockDescribesIsRefused() {
        UtilityBench bench("portable");
        QVERIFY(!opened(bench));
        QCOMPARE(bench.messages(),
                 QStringList{"Error|Unable to match data configuration to current radio.\nPlease "
                             "contact Kestrane for latest Baseband Update configuration file."});
        QCOMPARE(bench.code, 0);
    }

    void radioHeldOffsetsNeedNoFileAndWriteF5ForItemFiveAtTwentyKilohertz() {
        UtilityBench bench("bbo-radio", false);
        auto window = opened(bench);
        QVERIFY(window);
        QCOMPARE(bench.code, 31);
        QCOMPARE(window->rowCount(), 9);
        QCOMPARE(window->size(), QSize(625, 9 * 40 + 150));
        QVERIFY(labels(*window).contains("Radio Type = Portable"));
        QVERIFY(labels(*window).contains("KRT Range 1 Offset       "));
        QCOMPARE(window->list(0)->count(), 16);
        QCOMPARE(window->list(0)->itemText(0), QString("28 Hz"));
        QCOMPARE(window->list(0)->itemText(15), QString("1500 Hz"));
        QVERIFY(window->spacingButton(0)->isChecked());
        window->spacingButton(1)->click();
        QCOMPARE(window->shownSpacing(), 1);
        QCOMPARE(window->defaultBox(0)->text(), QString("86 Hz"));  // 37 = 0x25: low nibble 5
        pick(*window, 1, "512 Hz");
        pick(*window, 0, "86 Hz");
        window->spacingButton(1)->click();  // the same spacing again reloads nothing
        QCOMPARE(window->list(1)->currentText(), QString("512 Hz"));
        bench.mark();
        window->updateButton()->click();
        const QStringList requests = bench.requests();
        QCOMPARE(requests.count(), 1 + 15);
        QCOMPARE(requests[0], QString("I 1"));
        QCOMPARE(requests[6], QString("B 5 130"));
        QCOMPARE(bench.radio.bboByte(1, 0), std::optional<uint8_t>(0xF5));
        QCOMPARE(bench.record.getValue(row::BasebandOffset, 5), 0xF5);
        QCOMPARE(bench.messages(), QStringList{"NOTE|Baseband Offset parameters updated successfully"});
        QCOMPARE(window->defaultBox(1)->text(), QString("512 Hz"));
    }

    void codeplugTableOfTheMainBandGroupKeepsTheCodeplugChecksum() {
        UtilityBench bench("bbo-codeplug");
        auto window = opened(bench);
        QVERIFY(window);
        QCOMPARE(window->rowCount(), 5);
        QVERIFY(labels(*window).contains("Primary system = Others"));
        QVERIFY(window->offsets().checksumKnown());
        QCOMPARE(window->defaultBox(0)->text(), QString("1215 Hz"));  // 90 = 0x5A: low nibble 10
        pick(*window, 1, "1500 Hz");
        bench.mark();
        window->updateButton()->click();
        QCOMPARE(bench.messages(), QStringList{"NOTE|Baseband offset parameters updated successfully"});
        QCOMPARE(bench.requests().back(), QString("X"));
        QCOMPARE(int(bench.radio.codeplug()[512 + 3]), 0x8A);
        QVERIFY(bench.radio.codeplugChecksumValid());
        QCOMPARE(window->defaultBox(1)->text(), QString("1500 Hz"));
    }

    void tablesWithTheirOwnChecksumsStayValid() {
        for (const char* profile : {"bbo-codeplug-sums", "bbo-codeplug-long", "bbo-codeplug-varying"}) {
            UtilityBench bench(profile);
            auto window = opened(bench);
            QVERIFY2(window && !window->refused(), profile);
            for (int s = 0; s < 3; ++s) {
                window->spacingButton(s)->click();
                for (int r = 0; r < window->rowCount(); ++r) pick(*window, r, "646 Hz");
            }
            window->updateButton()->click();
            QCOMPARE(bench.messages(), QStringList{"NOTE|Baseband offset parameters updated successfully"});
            const SimProfile p = bench.radio.profile();
            QCOMPARE(QString::fromStdString(verifyCodeplugTable(p.codeplug, p.tables[0].address)), QString());
        }
    }

    void anUnreadableChecksumRefusesTheUpdate() {
        UtilityBench bench("bbo-codeplug");
        SimFaultRule silence;
        silence.kind = SimFaultKind::Silence;
        silence.opcode = sim::op::ReadMemory;
        silence.firstByte = 2;  // the two bytes of the codeplug checksum
        silence.times = 0;
        bench.radio.addFault(silence);
        auto window = opened(bench);
        QVERIFY(window && !window->refused());
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        pick(*window, 0, "28 Hz");
        bench.mark();
        const std::vector<uint8_t> before = bench.radio.codeplug();
        window->updateButton()->click();
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        QVERIFY(!bench.requests().contains("P"));
        QVERIFY(bench.radio.codeplug() == before);
    }

    void aSwappedRadioGetsNothingWrittenAndCancelKeepsTheChoices() {
        for (const char* profile : {"bbo-codeplug-sums", "bbo-radio"}) {
            UtilityBench bench(profile, std::string(profile) != "bbo-radio");
            auto window = opened(bench);
            QVERIFY(window && !window->refused());
            pick(*window, 0, "28 Hz");
            window->spacingButton(1)->click();
            pick(*window, 1, "512 Hz");
            bench.record.setSerialNo("SOMEBODY01");
            bench.prompt.answer(PromptAnswer::Cancel);
            bench.mark();
            window->updateButton()->click();
            // The question names the radio on the cable and the one the window was opened for.
            QCOMPARE(bench.messages(),
                     QStringList{"WARNING|Serial No. Mismatch!! Read in new radio?\n\nRadio connected: " +
                                 QString::fromStdString(bench.radio.serialNo()) +
                                 "\nRadio in memory: SOMEBODY01"});
            QCOMPARE(bench.requests(), QStringList{"I 1"});
            // Only the question: the window stays, showing the spacing and the choices it had.
            QCoreApplication::processEvents();
            QCOMPARE(bench.code, TBasebandUpdateWindow::kCode);
            QCOMPARE(bench.reads, 0);
            QCOMPARE(window->shownSpacing(), 1);
            QCOMPARE(window->list(1)->currentText(), QString("512 Hz"));
            QCOMPARE(window->offsets().newCode(0, 0), bboCode::fromText("28 Hz"));
            QCOMPARE(window->offsets().newCode(1, 1), bboCode::fromText("512 Hz"));

            // Told to read the other radio, the window goes: its offsets belong to the first one.
            bench.prompt.answer(PromptAnswer::Ok);
            bench.mark();
            window->updateButton()->click();
            QCOMPARE(bench.reads, 1);
            QCoreApplication::processEvents();
            QCOMPARE(bench.code, 0);
        }
    }

    void aRefusedChoiceIsADataEntryErrorAndUpdateAsksFirst() {
        UtilityBench bench("bbo-codeplug-sums");
        auto window = opened(bench);
        bench.record.getBboRows()[2].bytePosition = 7;  // beyond the three bytes of an entry
        bench.mark();
        pick(*window, 2, "28 Hz");
        QCOMPARE(bench.messages(), QStringList{"ERROR|Data entry error!!"});
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        window->updateButton()->click();
        QCOMPARE(bench.messages(), QStringList{"Note|An error occured, update anyway?"});
        QCOMPARE(bench.requests(), QStringList{});
    }

    void aTextThatIsNoOffsetChangesNothing() {
        UtilityBench bench("bbo-radio", false);
        auto window = opened(bench);
        const int before = window->offsets().newCode(0, 3);
        window->choose(3, QStringLiteral("999 Hz"));
        QCOMPARE(window->offsets().newCode(0, 3), before);
        QCOMPARE(window->list(3)->currentText(), QString::fromStdString(bboCode::text(before)));
    }

    void everyTextShowsWholeAndNothingOverlaps() {
        for (const char* profile : {"bbo-codeplug-sums", "bbo-radio"}) {
            UtilityBench bench(profile, std::string(profile) != "bbo-radio");
            auto window = opened(bench);
            QVERIFY(window);
            QList<QWidget*> parts;
            for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (qobject_cast<QGroupBox*>(w))
                    continue;  // the frame around the spacing buttons
                parts << w;
                // A wrapping label (the configuration file's name) is judged at its own width.
                if (auto* label = qobject_cast<QLabel*>(w))
                    QVERIFY2(label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                               : label->sizeHint().width() <= label->width() &&
                                                     label->sizeHint().height() <= label->height(),
                             qPrintable(label->text()));
                if (auto* button = qobject_cast<QRadioButton*>(w)) {
                    QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
                    QVERIFY(window->findChild<QGroupBox*>()->geometry().contains(button->geometry()));
                }
                QVERIFY2(window->rect().contains(w->geometry()), qPrintable(w->objectName()));
            }
            for (int i = 0; i < parts.size(); ++i)
                for (int k = i + 1; k < parts.size(); ++k)
                    QVERIFY2(!parts[i]->geometry().intersects(parts[k]->geometry()),
                             qPrintable(describe(parts[i]) + " / " + describe(parts[k])));
        }
    }

    void primarySystemTexts() {
        QCOMPARE(TBasebandUpdateWindow::primarySystemText('A'), QString("Primary system = Conventional"));
        QCOMPARE(TBasebandUpdateWindow::primarySystemText('U'), QString("Primary system = LTR"));
        QCOMPARE(TBasebandUpdateWindow::primarySystemText('W'), QString("Primary system = 5T Prime"));
        QCOMPARE(TBasebandUpdateWindow::primarySystemText('1'), QString("Primary system = Others"));
    }
};

std::unique_ptr<QObject> makeBasebandTest() {
    return std::make_unique<BasebandTest>();
}

}  // namespace vantrel::test

#include "BasebandTest.moc"
