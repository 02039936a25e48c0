// The service history window.
#include "app/THistoryWindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/THistoryPlot.h"
#include "history/historyExport.h"
#include "operations/serviceHistory.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

constexpr const char* kPreferredValue = "Transmit High Power F3";

QString text(const std::string& bytes) {
    // Texts the radio gave may hold any byte: what is no UTF-8 shows as its Latin-1 character.
    const QString utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return utf8.contains(QChar::ReplacementCharacter)
               ? QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()))
               : utf8;
}

/// The event's UTC time in the bench's local time: "2025-03-01 15:05:09".
QString localTime(const std::string& utc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    if (!time.isValid())
        return text(utc);
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString number(const std::optional<std::int64_t>& value) {
    return value ? QString::number(*value) : QString();
}

QTableWidgetItem* cell(const QString& shown) {
    auto* item = new QTableWidgetItem(shown);
    item->setToolTip(shown);
    return item;
}

}  // namespace

THistoryWindow::THistoryWindow(HistoryTarget target, QString serial, CompareHandler compare,
                               PathChooser choosePath, QWidget* parent)
    : QWidget(parent),
      m_target(std::move(target)),
      m_compareHandler(std::move(compare)),
      m_choosePath(std::move(choosePath)) {
    setObjectName(QStringLiteral("historyWindow"));
    m_serial = new QLineEdit(serial, this);
    m_serial->setObjectName(QStringLiteral("historySerial"));
    m_serial->setPlaceholderText(QStringLiteral("serial number"));
    auto* show = new QPushButton(QStringLiteral("&Show"), this);
    auto* where = new QLabel(QStringLiteral("History: ") + QString::fromStdString(m_target.describe()), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("historyStatus"));
    m_status->setWordWrap(true);

    m_events = new QTableWidget(0, ColumnCount, this);
    m_events->setObjectName(QStringLiteral("historyEvents"));
    m_events->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Event"),
                                         QStringLiteral("Subject"), QStringLiteral("Outcome"),
                                         QStringLiteral("Bench"), QStringLiteral("Operator"),
                                         QStringLiteral("Port")});
    m_events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_events->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_events->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_events->verticalHeader()->hide();
    m_events->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_events->horizontalHeader()->setStretchLastSection(true);

    m_values = new QTableWidget(0, 3, this);
    m_values->setObjectName(QStringLiteral("historyValues"));
    m_values->setHorizontalHeaderLabels(
        {QStringLiteral("Value"), QStringLiteral("Before"), QStringLiteral("After")});
    m_values->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_values->verticalHeader()->hide();
    m_values->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_values->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_values->setWordWrap(false);

    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("historyPlotChoice"));
    m_choice->setMinimumContentsLength(24);
    m_plot = new THistoryPlot(this);
    m_compare = new QPushButton(QStringLiteral("Co&mpare"), this);
    m_compare->setToolTip(QStringLiteral("Shows two selected events side by side"));
    m_compare->setEnabled(false);
    m_export = new QPushButton(QStringLiteral("E&xport CSV..."), this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Radio Serial No:"), this));
    top->addWidget(m_serial);
    top->addWidget(show);
    top->addStretch(1);
    top->addWidget(m_compare);
    top->addWidget(m_export);

    auto* plotPanel = new QWidget(this);
    auto* plotLayout = new QVBoxLayout(plotPanel);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    auto* plotBar = new QHBoxLayout;
    plotBar->addWidget(new QLabel(QStringLiteral("Plot:"), plotPanel));
    plotBar->addWidget(m_choice, 1);
    plotLayout->addLayout(plotBar);
    plotLayout->addWidget(m_plot, 1);

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(m_values);
    lower->addWidget(plotPanel);
    lower->setSizes({420, 480});
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_events);
    split->addWidget(lower);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(where);
    layout->addWidget(m_status);
    layout->addWidget(split, 1);
    resize(980, 700);

    connect(show, &QPushButton::clicked, this, [this] { showRadio(m_serial->text()); });
    connect(m_serial, &QLineEdit::returnPressed, this, [this] { showRadio(m_serial->text()); });
    connect(m_events, &QTableWidget::itemSelectionChanged, this, &THistoryWindow::selectionChanged);
    connect(m_choice, &QComboBox::textActivated, this, &THistoryWindow::plotValue);
    connect(m_compare, &QPushButton::clicked, this, &THistoryWindow::compareSelected);
    connect(m_export, &QPushButton::clicked, this, [this] {
        const QString path =
            m_choosePath ? m_choosePath(m_radio + QStringLiteral("-history.csv")) : QString();
        if (!path.isEmpty() && exportCsv(path))
            m_status->setText(QStringLiteral("Exported to ") + path);
    });
    if (!serial.trimmed().isEmpty())
        showRadio(serial);
}

THistoryWindow::~THistoryWindow() = default;

void THistoryWindow::fail(const QString& message) {
    m_status->setText(message);
    m_store.reset();  // a connection that failed is not used again
}

bool THistoryWindow::openStore() {
    if (m_store)
        return true;
    try {
        m_store = openHistoryStore(m_target);
        return true;
    } catch (const HistoryError& error) {
        fail(QString::fromStdString(error.what()));
        return false;
    }
}

void THistoryWindow::showRadio(const QString& typed) {
    QString serial = typed;
    while (serial.endsWith(QLatin1Char(' '))) serial.chop(1);
    m_radio = serial;
    m_shown.clear();
    m_loaded.clear();
    m_events->setRowCount(0);
    m_values->setRowCount(0);
    m_choice->clear();
    m_plot->setData({}, {});
    m_compare->setEnabled(false);
    if (serial.isEmpty() || !openStore())
        return;
    try {
        m_shown = m_store->radioEvents(serial.toStdString());
    } catch (const HistoryError& error) {
        fail(QString::fromStdString(error.what()));
        return;
    }
    m_loaded.assign(m_shown.size(), false);
    m_status->setText(
        m_shown.empty()
            ? QStringLiteral("No service events of the radio ") + serial
            : QStringLiteral("%1 events of the radio %2, newest first").arg(m_shown.size()).arg(serial));
    m_events->setUpdatesEnabled(false);
    m_events->setRowCount(static_cast<int>(m_shown.size()));
    for (int row = 0; row < static_cast<int>(m_shown.size()); ++row) {
        const ServiceEvent& e = m_shown[static_cast<std::size_t>(row)].event;
        m_events->setItem(row, TimeColumn, cell(localTime(e.timeUtc)));
        m_events->setItem(
            row, KindColumn,
            cell(QString::fromLatin1(eventKindName(e.kind).data(), qsizetype(eventKindName(e.kind).size()))));
        m_events->setItem(row, SubjectColumn,
                          cell(text(e.fileName.empty() ? e.subject : e.subject + ": " + e.fileName)));
        m_events->setItem(row, OutcomeColumn, cell(text(e.outcome)));
        m_events->setItem(row, BenchColumn, cell(text(e.bench)));
        m_events->setItem(row, OperatorColumn, cell(text(e.operatorName)));
        m_events->setItem(row, PortColumn, cell(text(e.port)));
        m_events->item(row, OutcomeColumn)->setToolTip(text(e.detail));
    }
    m_events->setUpdatesEnabled(true);
    if (!m_shown.empty())
        selectRows({0});
}

const ServiceEvent& THistoryWindow::eventWithValues(int row) {
    StoredEvent& stored = m_shown[static_cast<std::size_t>(row)];
    if (!m_loaded[static_cast<std::size_t>(row)] && openStore()) {
        try {
            stored.event.values = m_store->values(stored.id);
            m_loaded[static_cast<std::size_t>(row)] = true;
        } catch (const HistoryError& error) {
            fail(QString::fromStdString(error.what()));
        }
    }
    return stored.event;
}

std::vector<int> THistoryWindow::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_events->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void THistoryWindow::selectRows(const std::vector<int>& rows) {
    m_events->clearSelection();
    for (const int row : rows)
        m_events->selectionModel()->select(m_events->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionChanged();
}

void THistoryWindow::fillValues(const ServiceEvent& event) {
    m_values->setRowCount(static_cast<int>(event.values.size()));
    for (int i = 0; i < static_cast<int>(event.values.size()); ++i) {
        const EventValue& v = event.values[static_cast<std::size_t>(i)];
        m_values->setItem(i, 0, cell(text(v.name)));
        m_values->setItem(i, 1, cell(number(v.before)));
        m_values->setItem(i, 2, cell(number(v.after)));
        if (v.before && v.after && *v.before != *v.after) {
            QFont bold = m_values->font();
            bold.setBold(true);
            for (int c = 0; c < 3; ++c) m_values->item(i, c)->setFont(bold);
        }
    }
}

void THistoryWindow::selectionChanged() {
    const std::vector<int> rows = selectedRows();
    m_compare->setEnabled(rows.size() == 2);
    if (rows.empty())
        return;
    const ServiceEvent& event = eventWithValues(rows.front());
    fillValues(event);
    // The plot offers the values of the event chosen; the one shown stays when the event has it.
    const QString current = m_choice->currentText();
    m_choice->blockSignals(true);
    m_choice->clear();
    for (const EventValue& v : event.values) m_choice->addItem(text(v.name));
    int keep = m_choice->findText(current);
    if (keep < 0)
        keep = m_choice->findText(QString::fromLatin1(kPreferredValue));
    m_choice->setCurrentIndex(std::max(keep, 0));
    m_choice->blockSignals(false);
    if (m_choice->count() > 0 && m_choice->currentText() != m_plot->title())
        plotValue(m_choice->currentText());
}

void THistoryWindow::plotValue(const QString& name) {
    if (name.isEmpty() || !openStore())
        return;
    try {
        std::vector<historyPlotPoint> points;
        for (const ValuePoint& p : m_store->valueAcross(m_radio.toStdString(), name.toStdString()))
            points.push_back({localTime(p.timeUtc).mid(5, 11), p.after});
        if (m_choice->findText(name) >= 0)
            m_choice->setCurrentIndex(m_choice->findText(name));
        m_plot->setData(name, std::move(points));
    } catch (const HistoryError& error) {
        fail(QString::fromStdString(error.what()));
    }
}

bool THistoryWindow::compareSelected() {
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 2 || !m_compareHandler)
        return false;
    // Newest first: the first row is the later event.
    const auto recordOf = [this](int row) {
        auto record = std::make_shared<radioStorage>();
        serviceHistory::fillRecord(eventWithValues(row), *record);
        return record;
    };
    const auto nameOf = [this](int row) {
        const ServiceEvent& e = m_shown[static_cast<std::size_t>(row)].event;
        return text(e.subject) + QStringLiteral(" at ") + localTime(e.timeUtc);
    };
    m_compareHandler(recordOf(rows[0]), nameOf(rows[0]), recordOf(rows[1]), nameOf(rows[1]));
    return true;
}

bool THistoryWindow::exportCsv(const QString& path) {
    std::vector<ServiceEvent> events;
    for (int row = 0; row < static_cast<int>(m_shown.size()); ++row) events.push_back(eventWithValues(row));
    const std::string csv = historyCsv(events);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()) ||
        !file.flush()) {
        m_status->setText(QStringLiteral("The history could not be exported to ") + path +
                          QStringLiteral(": ") + file.errorString());
        return false;
    }
    return true;
}

}  // namespace vantrel
