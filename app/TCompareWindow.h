// The compare window: an archive or a fresh read of the radio set against the current record.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "operations/recordCompare.h"

class QCheckBox;
class QLabel;
class QTableWidget;

namespace vantrel {

class radioStorage;

/// Lists every identity difference, frequency point and archived value of two records, the other side
/// (an archive or the radio) beside the current record. Rows that differ are coloured and bold; values
/// of a data set one side does not hold read "not held" there, in italics on another colour. The line
/// above the table sums the differences up. The current record is read again by refresh(); the other
/// side is the window's own.
class TCompareWindow : public QWidget {
    Q_OBJECT
  public:
    /// What the other side is: an archive, the radio read now, or (service history) the earlier of two
    /// events, the current side then being the later one.
    enum class Side { Archive, Radio, Event };
    /// What a row of the table shows (the first cell's Qt::UserRole holds it as an int).
    enum class RowKind { Same, Identity, Point, Value, NotHeld };

    /// Table columns.
    enum Column { DataSetColumn, PointColumn, OtherColumn, CurrentColumn, ColumnCount };

    static constexpr const char* kSameText = "The records are the same";
    static constexpr const char* kNotHeldText = "not held";

    /// `current` must outlive the window. `otherName` names the other side (the archive's path, "radio").
    TCompareWindow(const radioStorage& current, std::shared_ptr<const radioStorage> other, Side side,
                   QString otherName, QWidget* parent = nullptr);
    /// Two records of the window's own (two service events: `current` the later, `other` the earlier).
    TCompareWindow(std::shared_ptr<const radioStorage> current, QString currentName,
                   std::shared_ptr<const radioStorage> other, QString otherName, QWidget* parent = nullptr);

    /// Compares again, after the current record changed.
    void refresh();

    QString summary() const;
    QTableWidget* table() const { return m_table; }
    QCheckBox* differencesOnlyBox() const { return m_differencesOnly; }
    RowKind rowKind(int row) const;
    const std::shared_ptr<const radioStorage>& other() const { return m_other; }
    const QString& otherName() const { return m_otherName; }
    Side side() const { return m_side; }

    /// The summary line of a list of differences: "12 values differ in 3 data sets", then the points,
    /// the data sets one side holds alone and the identity differences, or kSameText.
    static QString summaryText(const std::vector<RecordDifference>& differences, Side side);

  private:
    void addRow(RowKind kind, const QString& dataSet, const QString& point, const QString& other,
                const QString& current);
    void applyFilter();

    std::shared_ptr<const radioStorage> m_ownedCurrent;
    const radioStorage& m_current;
    QString m_currentName;
    std::shared_ptr<const radioStorage> m_other;
    Side m_side;
    QString m_otherName;
    QLabel* m_sides = nullptr;
    QLabel* m_summary = nullptr;
    QCheckBox* m_differencesOnly = nullptr;
    QTableWidget* m_table = nullptr;
};

}  // namespace vantrel
