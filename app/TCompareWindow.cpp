// The compare window.
#include "app/TCompareWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdint>

#include "operations/ArchiveLayout.h"
#include "radio/RF_Frequency.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

using Labels = ComparedValues::Labels;

const QColor kChangedColour(0xff, 0xcc, 0x80);
const QColor kNotHeldColour(0xc4, 0xdc, 0xf5);

QString megahertz(double mhz) {
    return QString::number(mhz, 'f', 6) + QStringLiteral(" MHz");
}

std::uint32_t frequencyValue(const radioStorage& record, int column) {
    return static_cast<std::uint32_t>(record.getValue(row::Frequency, column));
}

/// A frequency point as the comparison shows it: its frequency, or "not required" for an unused point.
QString pointText(const radioStorage& record, int column) {
    RF_Frequency frequency;
    const std::uint32_t base = frequencyValue(record, col::FrequencyBase);
    if (column == col::FrequencyBase)
        return megahertz(frequency.pointFrequency(base, 0));
    const std::uint32_t channel = frequencyValue(record, column);
    if (channel == 0)
        return QStringLiteral("not required");
    return megahertz(frequency.pointFrequency(base, channel));
}

QString pointLabel(const ComparedValues& values, int i) {
    switch (values.labels) {
        case Labels::Points:
            return QStringLiteral("F%1").arg(i + 1);
        case Labels::Numbers:
            return QString::number(i + 1);
        case Labels::None:
            break;
    }
    return {};
}

bool holds(const radioStorage& record, int flagIndex) {
    return flagIndex == archive::kNoFlag || record.isSupported(flagIndex);
}

/// The run of values a cell belongs to, nullptr for none.
const ComparedValues* valuesOf(int row, int column) {
    for (const ComparedValues& values : recordCompare::comparedValues()) {
        if (values.row != row || column < values.firstColumn)
            continue;
        const int offset = column - values.firstColumn;
        if (offset % values.stride == 0 && offset / values.stride < values.count)
            return &values;
    }
    return nullptr;
}

QString counted(qsizetype n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

TCompareWindow::TCompareWindow(std::shared_ptr<const radioStorage> current, QString currentName,
                               std::shared_ptr<const radioStorage> other, QString otherName, QWidget* parent)
    : TCompareWindow(*current, std::move(other), Side::Event, std::move(otherName), parent) {
    m_ownedCurrent = std::move(current);
    m_currentName = std::move(currentName);
    refresh();
}

TCompareWindow::TCompareWindow(const radioStorage& current, std::shared_ptr<const radioStorage> other,
                               Side side, QString otherName, QWidget* parent)
    : QWidget(parent),
      m_current(current),
      m_other(std::move(other)),
      m_side(side),
      m_otherName(std::move(otherName)) {
    setObjectName(QStringLiteral("compareWindow"));
    m_sides = new QLabel(this);
    m_sides->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    QFont summaryFont = m_summary->font();
    summaryFont.setBold(true);
    m_summary->setFont(summaryFont);
    m_summary->setWordWrap(true);
    m_differencesOnly = new QCheckBox(QStringLiteral("&Differences only"), this);
    auto* refreshButton = new QPushButton(QStringLiteral("&Refresh"), this);
    refreshButton->setToolTip(QStringLiteral("Compares again with the record as it is now"));
    // Two stored events never change: there is nothing to compare again.
    refreshButton->setVisible(side != Side::Event);

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("compareTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Data Set"), QStringLiteral("Point"),
         side == Side::Archive ? QStringLiteral("Archive")
         : side == Side::Radio ? QStringLiteral("Radio")
                               : QStringLiteral("Earlier Event"),
         side == Side::Event ? QStringLiteral("Later Event") : QStringLiteral("Current Record")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(DataSetColumn, QHeaderView::Stretch);
    for (int c : {PointColumn, OtherColumn, CurrentColumn})
        m_table->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_differencesOnly);
    bar->addStretch(1);
    bar->addWidget(refreshButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sides);
    layout->addWidget(m_summary);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);

    connect(m_differencesOnly, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    resize(660, 540);
    refresh();
}

QString TCompareWindow::summary() const {
    return m_summary->text();
}

TCompareWindow::RowKind TCompareWindow::rowKind(int row) const {
    const QTableWidgetItem* item = m_table->item(row, DataSetColumn);
    return item ? static_cast<RowKind>(item->data(Qt::UserRole).toInt()) : RowKind::Same;
}

QString TCompareWindow::summaryText(const std::vector<RecordDifference>& differences, Side side) {
    const char* otherSide = side == Side::Archive ? "the archive"
                            : side == Side::Radio ? "the radio"
                                                  : "the earlier event";
    const char* currentSide = side == Side::Event ? "the later event" : "the current record";
    qsizetype values = 0;
    qsizetype points = 0;
    QSet<const ComparedValues*> sets;
    QStringList onlyOther, onlyCurrent, identity;
    for (const RecordDifference& d : differences) {
        const QString subject = QString::fromStdString(d.subject);
        switch (d.kind) {
            case RecordDifference::Kind::Value:
                ++values;
                sets.insert(valuesOf(d.row, d.column));
                break;
            case RecordDifference::Kind::Point:
                ++points;
                break;
            case RecordDifference::Kind::OnlyInA:
                onlyOther << subject;
                break;
            case RecordDifference::Kind::OnlyInB:
                onlyCurrent << subject;
                break;
            case RecordDifference::Kind::Identity:
                identity << subject;
                break;
        }
    }
    QStringList parts;
    if (values > 0) {
        parts << (values == 1 ? QStringLiteral("1 value differs")
                              : QStringLiteral("%1 values differ").arg(values)) +
                     QStringLiteral(" in ") + counted(sets.size(), "data set", "data sets");
    }
    if (points > 0)
        parts << (points == 1 ? QStringLiteral("1 frequency point differs")
                              : QStringLiteral("%1 frequency points differ").arg(points));
    if (!onlyOther.isEmpty())
        parts << counted(onlyOther.size(), "data set", "data sets") + QStringLiteral(" only in ") +
                     QLatin1String(otherSide) + QStringLiteral(" (") + onlyOther.join(QStringLiteral(", ")) +
                     QLatin1Char(')');
    if (!onlyCurrent.isEmpty())
        parts << counted(onlyCurrent.size(), "data set", "data sets") + QStringLiteral(" only in ") +
                     QLatin1String(currentSide) + QStringLiteral(" (") +
                     onlyCurrent.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!identity.isEmpty())
        parts << QStringLiteral("identity differs (") + identity.join(QStringLiteral(", ")) +
                     QLatin1Char(')');
    if (parts.isEmpty())
        return QString::fromLatin1(kSameText);
    QString text = parts.join(QStringLiteral("; "));
    text[0] = text[0].toUpper();
    return text;
}

void TCompareWindow::addRow(RowKind kind, const QString& dataSet, const QString& point, const QString& other,
                            const QString& current) {
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const QString texts[ColumnCount] = {dataSet, point, other, current};
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        if (c >= OtherColumn)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (kind != RowKind::Same) {
            QFont font = m_table->font();
            font.setBold(true);
            font.setItalic(kind == RowKind::NotHeld);
            item->setFont(font);
            item->setBackground(kind == RowKind::NotHeld ? kNotHeldColour : kChangedColour);
            item->setForeground(Qt::black);
        }
        m_table->setItem(row, c, item);
    }
    m_table->item(row, DataSetColumn)->setData(Qt::UserRole, static_cast<int>(kind));
}

void TCompareWindow::refresh() {
    const radioStorage& other = *m_other;
    const std::vector<RecordDifference> differences = recordCompare::differences(other, m_current);
    m_summary->setText(summaryText(differences, m_side));
    const auto identityText = [](const radioStorage& r) {
        return QStringLiteral("Radio Serial No: %1   Radio Model No: %2")
            .arg(QString::fromLatin1(r.getSerialNo()).trimmed(),
                 QString::fromLatin1(r.getModelNo()).trimmed());
    };
    const QString otherLabel = m_side == Side::Archive ? QStringLiteral("Archive: ")
                               : m_side == Side::Radio ? QStringLiteral("Radio: ")
                                                       : QStringLiteral("Earlier event: ");
    const QString currentLabel = m_side == Side::Event ? QStringLiteral("Later event: ") + m_currentName
                                                       : QStringLiteral("Current record:");
    m_sides->setText(otherLabel + m_otherName + QStringLiteral("\n    ") + identityText(other) +
                     QLatin1Char('\n') + currentLabel + QStringLiteral("\n    ") + identityText(m_current));

    m_table->setUpdatesEnabled(false);
    m_table->setRowCount(0);
    QSet<int> pointsDiffering;
    for (const RecordDifference& d : differences) {
        if (d.kind == RecordDifference::Kind::Identity)
            addRow(RowKind::Identity, QString::fromStdString(d.subject), QString(),
                   QString::fromStdString(d.a), QString::fromStdString(d.b));
        else if (d.kind == RecordDifference::Kind::Point)
            pointsDiffering.insert(d.column);
    }

    const auto pointRow = [&](const QString& dataSet, const QString& point, int column) {
        addRow(pointsDiffering.contains(column) ? RowKind::Point : RowKind::Same, dataSet, point,
               pointText(other, column), pointText(m_current, column));
    };
    pointRow(QStringLiteral("Base Frequency"), QString(), col::FrequencyBase);
    for (const bool receive : {false, true}) {
        const int first = receive ? col::RxPointFirst : col::TxPointFirst;
        const QString dataSet =
            receive ? QStringLiteral("Receive Points") : QStringLiteral("Transmit Points");
        for (int i = 0; i < record::kPointCount; ++i)
            pointRow(dataSet, QStringLiteral("F%1").arg(i + 1), first + i);
    }

    for (const ComparedValues& values : recordCompare::comparedValues()) {
        const bool inOther = holds(other, values.flag);
        const bool inCurrent = holds(m_current, values.flag);
        if (!inOther && !inCurrent)
            continue;
        const QString name = QString::fromLatin1(values.name);
        for (int i = 0; i < values.count; ++i) {
            const int column = values.firstColumn + i * values.stride;
            const std::int32_t a = other.getValue(values.row, column);
            const std::int32_t b = m_current.getValue(values.row, column);
            const QString shownA = inOther ? QString::number(a) : QString::fromLatin1(kNotHeldText);
            const QString shownB = inCurrent ? QString::number(b) : QString::fromLatin1(kNotHeldText);
            const RowKind kind = inOther != inCurrent ? RowKind::NotHeld
                                 : a != b             ? RowKind::Value
                                                      : RowKind::Same;
            addRow(kind, name, pointLabel(values, i), shownA, shownB);
        }
    }
    applyFilter();
    m_table->setUpdatesEnabled(true);
}

void TCompareWindow::applyFilter() {
    const bool differencesOnly = m_differencesOnly->isChecked();
    for (int row = 0; row < m_table->rowCount(); ++row)
        m_table->setRowHidden(row, differencesOnly && rowKind(row) == RowKind::Same);
}

}  // namespace vantrel
