// The compare window over two records, its menu commands, and the report preview's "Before" column.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/TApxPreviewWin.h"
#include "app/TApxPrintout.h"
#include "app/TCompareWindow.h"
#include "operations/fileModule.h"
#include "radio/RecordLayout.h"

namespace vantrel::test {

namespace {

using RowKind = TCompareWindow::RowKind;

/// Reads the radio and saves it as `name` in the shell's folder; answers the archive's path.
QString readAndSave(Shell& shell, const QString& name) {
    shell.run(cmd::ReadRadio);
    const QString path = shell.path(name);
    shell.files << path;
    shell.run(cmd::SaveArchive);
    shell.prompt().clear();
    shell.fileKinds.clear();
    return path;
}

std::shared_ptr<radioStorage> loaded(const QString& path) {
    ScriptedPrompt quiet;
    fileModule files(quiet);
    auto record = std::make_shared<radioStorage>();
    if (files.readArchive(path.toStdString(), *record) != ArchiveLoadResult::Loaded)
        return nullptr;
    return record;
}

/// The first row showing `dataSet` and `point`, -1 for none.
int rowOf(const TCompareWindow& w, const QString& dataSet, const QString& point = QString()) {
    for (int r = 0; r < w.table()->rowCount(); ++r) {
        if (w.table()->item(r, TCompareWindow::DataSetColumn)->text() == dataSet &&
            w.table()->item(r, TCompareWindow::PointColumn)->text() == point)
            return r;
    }
    return -1;
}

QString cell(const TCompareWindow& w, int row, int column) {
    return w.table()->item(row, column)->text();
}

bool highlighted(const TCompareWindow& w, int row) {
    const QTableWidgetItem* item = w.table()->item(row, TCompareWindow::OtherColumn);
    return item->font().bold() && item->background().style() != Qt::NoBrush;
}

TCompareWindow* activeCompareWindow(Shell& shell) {
    const QList<QMdiSubWindow*> children = shell.client().subWindowList();
    return children.isEmpty() ? nullptr : qobject_cast<TCompareWindow*>(children.last()->widget());
}

}  // namespace

class CompareTest : public QObject {
    Q_OBJECT
  private slots:
    void windowShowsEachKindOfDifferenceHighlighted() {
        Shell shell("portable");
        shell.start();
        const QString archive = readAndSave(shell, "a.sfp");
        const radioStorage& current = shell.client().record();
        std::shared_ptr<radioStorage> other = loaded(archive);
        QVERIFY(other);
        const int f3 = col::TxPowerHigh + 2;
        const int was = current.getValue(row::TxPower, f3);
        other->setValue(row::TxPower, f3, was + 3);
        other->setSerialNo("OTHER00001");
        QVERIFY(current.isSupported(flag::Rssi));
        other->markUnsupported(flag::Rssi);

        TCompareWindow w(current, other, TCompareWindow::Side::Archive, archive);
        QCOMPARE(w.summary(), QString("1 value differs in 1 data set; 1 data set only in the current record "
                                      "(RSSI); identity differs (Serial Number)"));
        QCOMPARE(w.table()->horizontalHeaderItem(TCompareWindow::OtherColumn)->text(), QString("Archive"));

        const int value = rowOf(w, "Transmit High Power", "F3");
        QVERIFY(value >= 0);
        QCOMPARE(w.rowKind(value), RowKind::Value);
        QCOMPARE(cell(w, value, TCompareWindow::OtherColumn), QString::number(was + 3));
        QCOMPARE(cell(w, value, TCompareWindow::CurrentColumn), QString::number(was));
        QVERIFY(highlighted(w, value));
        const int same = rowOf(w, "Transmit High Power", "F2");
        QCOMPARE(w.rowKind(same), RowKind::Same);
        QVERIFY(!highlighted(w, same));
        QVERIFY(!w.table()->item(same, TCompareWindow::OtherColumn)->font().bold());

        // Every value of the set the archive lacks, marked on its own colour, in italics.
        for (const char* set : {"RSSI Threshold", "RSSI Calibration DAC"}) {
            for (const char* point : {"1", "2", "3"}) {
                const int r = rowOf(w, set, point);
                QVERIFY2(r >= 0, set);
                QCOMPARE(w.rowKind(r), RowKind::NotHeld);
                QCOMPARE(cell(w, r, TCompareWindow::OtherColumn), QString("not held"));
                QVERIFY(w.table()->item(r, TCompareWindow::CurrentColumn)->font().italic());
                QVERIFY(highlighted(w, r));
                QVERIFY(w.table()->item(r, 0)->background() != w.table()->item(value, 0)->background());
            }
        }
        const int identity = rowOf(w, "Serial Number");
        QCOMPARE(w.rowKind(identity), RowKind::Identity);
        QCOMPARE(cell(w, identity, TCompareWindow::OtherColumn), QString("\"OTHER00001\""));
        QVERIFY(highlighted(w, identity));
        QCOMPARE(w.rowKind(rowOf(w, "Transmit Points", "F1")), RowKind::Same);

        // Differences only: exactly the highlighted rows stay.
        w.differencesOnlyBox()->setChecked(true);
        int shown = 0;
        for (int r = 0; r < w.table()->rowCount(); ++r) {
            QCOMPARE(w.table()->isRowHidden(r), w.rowKind(r) == RowKind::Same);
            shown += w.table()->isRowHidden(r) ? 0 : 1;
        }
        QCOMPARE(shown, 1 + 6 + 1);

        // The current record catches up: compared again, the value is no longer a difference.
        shell.client().record().setValue(row::TxPower, f3, was + 3);
        w.refresh();
        QCOMPARE(w.rowKind(rowOf(w, "Transmit High Power", "F3")), RowKind::Same);
        QVERIFY(w.table()->isRowHidden(rowOf(w, "Transmit High Power", "F3")));
        QVERIFY(w.summary().startsWith("1 data set only in the current record"));
    }

    void summaryCountsValuesPerDataSetAndNamesTheOtherSide() {
        using Kind = RecordDifference::Kind;
        QCOMPARE(TCompareWindow::summaryText({}, TCompareWindow::Side::Archive),
                 QString("The records are the same"));
        std::vector<RecordDifference> differences;
        int sets = 0;
        for (const ComparedValues& values : recordCompare::comparedValues()) {
            if (values.count < 4 || sets == 3)
                continue;
            ++sets;
            for (int i = 0; i < 4; ++i)
                differences.push_back(
                    {Kind::Value, values.name, "1", "2", values.row, values.firstColumn + i * values.stride});
        }
        QCOMPARE(TCompareWindow::summaryText(differences, TCompareWindow::Side::Archive),
                 QString("12 values differ in 3 data sets"));
        differences.resize(1);
        differences.push_back({Kind::Point, "Transmit F2", "a", "b", row::Frequency, col::TxPointFirst + 1});
        differences.push_back({Kind::OnlyInA, "RSSI", "", "", -1, -1, flag::Rssi});
        differences.push_back({Kind::OnlyInA, "Select 5", "", "", -1, -1, flag::Select5Deviation});
        QCOMPARE(TCompareWindow::summaryText(differences, TCompareWindow::Side::Radio),
                 QString("1 value differs in 1 data set; 1 frequency point differs; 2 data sets only in the "
                         "radio (RSSI, Select 5)"));
        QCOMPARE(TCompareWindow::summaryText({{Kind::Identity, "Model Number", "a", "b"}},
                                             TCompareWindow::Side::Radio),
                 QString("Identity differs (Model Number)"));
    }

    void commandsNeedARecordAndRadioCompareNeedsThePort() {
        Shell shell("portable");
        shell.fakeScreens();
        shell.start();
        shell.frame().updateCommandStates();
        QVERIFY(!shell.frame().isAvailable(cmd::CompareArchive));
        QVERIFY(!shell.frame().isAvailable(cmd::CompareRadio));
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.frame().isAvailable(cmd::CompareArchive));
        QVERIFY(shell.frame().isAvailable(cmd::CompareRadio));
        // A screen holds the port: the archive can still be compared, the radio cannot be read.
        QVERIFY(shell.run(cmd::RefOscWarp));
        shell.frame().updateCommandStates();
        QVERIFY(shell.frame().isAvailable(cmd::CompareArchive));
        QVERIFY(!shell.frame().isAvailable(cmd::CompareRadio));
        QVERIFY(!shell.run(cmd::CompareRadio));
        // Both sit in the File menu.
        QCOMPARE(shell.frame().action(cmd::CompareArchive)->text(), QString("&Compare with Archive..."));
        auto* file = shell.frame().findChild<QMenu*>("&File");
        QVERIFY(file);
        QVERIFY(file->actions().contains(shell.frame().action(cmd::CompareArchive)));
        QVERIFY(file->actions().contains(shell.frame().action(cmd::CompareRadio)));
    }

    void archiveCompareOpensAWindowAndLeavesTheRecordAlone() {
        Shell shell("portable");
        shell.start();
        const QString archive = readAndSave(shell, "a.sfp");
        radioStorage& current = shell.client().record();
        current.setValue(row::TxPower, col::TxPowerLow, current.getValue(row::TxPower, col::TxPowerLow) + 1);
        const QString status = shell.client().statusText();

        shell.files << archive;
        QVERIFY(shell.run(cmd::CompareArchive));
        // The file dialog says what the file is for: not the load, which would replace the data.
        QCOMPARE(shell.fileKinds, QList<FileDialogKind>{FileDialogKind::CompareArchive});
        QCOMPARE(fileDialogTitle(FileDialogKind::CompareArchive), QString("Compare with Archive File"));
        QCOMPARE(fileDialogTitle(FileDialogKind::OpenArchive), QString("Load Archive File"));
        TCompareWindow* w = activeCompareWindow(shell);
        QVERIFY(w);
        QCOMPARE(w->side(), TCompareWindow::Side::Archive);
        QCOMPARE(w->summary(), QString("1 value differs in 1 data set"));
        QCOMPARE(shell.messages(), QStringList());  // not the load's "has been loaded" note
        QVERIFY(shell.client().radioRead());
        QVERIFY(!shell.client().archiveLoaded());
        QCOMPARE(shell.client().statusText(), status);
        QCOMPARE(shell.client().beforeRecord(), w->other());
        QVERIFY(shell.client().subWindowList().last()->windowTitle().contains("a.sfp"));

        // Cancelled, or a file that is no archive: no window; the latter says why.
        const int windows = int(shell.client().subWindowList().size());
        shell.files << "";
        QVERIFY(shell.run(cmd::CompareArchive));
        QFile junk(shell.path("junk.sfp"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not an archive");
        junk.close();
        shell.files << junk.fileName();
        QVERIFY(shell.run(cmd::CompareArchive));
        QCOMPARE(int(shell.client().subWindowList().size()), windows);
        QCOMPARE(shell.messages().size(), 1);
        QCOMPARE(shell.client().beforeRecord(), w->other());
    }

    void radioCompareReadsIntoItsOwnRecord() {
        Shell shell("portable");
        shell.start();
        const QString archive = readAndSave(shell, "a.sfp");
        QVERIFY(shell.client().loadArchive(archive));
        radioStorage& current = shell.client().record();
        current.setSerialNo("ARCHIVE001");
        current.setValue(row::RefOscWarp, col::Single, current.getValue(row::RefOscWarp, col::Single) + 7);
        shell.prompt().clear();
        const QString status = shell.client().statusText();
        const bool radioRead = shell.client().radioRead();

        QVERIFY(shell.run(cmd::CompareRadio));
        TCompareWindow* w = activeCompareWindow(shell);
        QVERIFY(w);
        QCOMPARE(w->side(), TCompareWindow::Side::Radio);
        QCOMPARE(w->summary(), QString("1 value differs in 1 data set; identity differs (Serial Number)"));
        QCOMPARE(w->table()->horizontalHeaderItem(TCompareWindow::OtherColumn)->text(), QString("Radio"));
        // The current record, its flags and the status bar are as they were.
        QCOMPARE(QString(current.getSerialNo()).trimmed(), QString("ARCHIVE001"));
        QVERIFY(shell.client().archiveLoaded());
        QCOMPARE(shell.client().radioRead(), radioRead);
        QCOMPARE(shell.client().statusText(), status);
        QCOMPARE(shell.messages(), QStringList());
    }

    void previewShowsTheBeforeColumnOnDemand() {
        Shell shell("portable");
        shell.start();
        const QString archive = readAndSave(shell, "a.sfp");
        radioStorage& current = shell.client().record();
        current.setValue(row::TxPower, col::TxPowerHigh + 2,
                         current.getValue(row::TxPower, col::TxPowerHigh + 2) + 4);
        const QString after = QString::number(current.getValue(row::TxPower, col::TxPowerHigh + 2));

        QStringList plain, withBefore, afterOff;
        bool stayedOff = false;
        shell.files << "" << archive;  // the first choice is cancelled
        shell.onDialog = [&](QDialog& d) {
            auto* preview = dynamic_cast<TApxPreviewWin*>(&d);
            if (!preview)
                return;
            plain = preview->printout().lines();
            QAction* option = preview->beforeAfterAction();
            QVERIFY(option);
            option->trigger();
            stayedOff = !option->isChecked();
            option->trigger();
            QVERIFY(option->isChecked());
            withBefore = preview->printout().lines();
            option->trigger();
            afterOff = preview->printout().lines();
        };
        QVERIFY(shell.run(cmd::PrintPreview));
        QCOMPARE(shell.fileKinds,
                 (QList<FileDialogKind>{FileDialogKind::CompareArchive, FileDialogKind::CompareArchive}));
        QVERIFY(stayedOff);
        QVERIFY(!plain.isEmpty());
        QCOMPARE(afterOff, plain);
        QVERIFY(withBefore.size() > plain.size());
        QVERIFY(withBefore.join('\n').contains("Before: " + archive));
        QVERIFY(withBefore.contains("1 value differs."));
        const QStringList marked = withBefore.filter(QRegularExpression(" \\*$"));
        QCOMPARE(marked.size(), 1);
        QVERIFY(
            marked.first().simplified().endsWith(after + " " + QString::number(after.toInt() - 4) + " *"));
        QVERIFY(plain.filter("Before").isEmpty());

        // After a compare window, the preview takes its other side without asking.
        Shell second("portable");
        second.start();
        second.files << readAndSave(second, "b.sfp");
        radioStorage& record = second.client().record();
        record.setValue(row::Rssi, col::RssiFirst, record.getValue(row::Rssi, col::RssiFirst) + 1);
        QVERIFY(second.run(cmd::CompareArchive));
        const int asked = int(second.fileSuggestions.size());
        second.onDialog = [&](QDialog& d) {
            if (auto* preview = dynamic_cast<TApxPreviewWin*>(&d)) {
                preview->beforeAfterAction()->trigger();
                withBefore = preview->printout().lines();
            }
        };
        QVERIFY(second.run(cmd::PrintPreview));
        QCOMPARE(int(second.fileSuggestions.size()), asked);
        QCOMPARE(withBefore.filter(QRegularExpression(" \\*$")).size(), 1);
    }
};

std::unique_ptr<QObject> makeCompareTest() {
    return std::make_unique<CompareTest>();
}

}  // namespace vantrel::test

#include "CompareTest.moc"
