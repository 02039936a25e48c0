// File > Service History: a radio's events newest first, the values of one, two side by side in the
// compare window, one value plotted across the events, and the whole as CSV.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "history/HistoryStore.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vantrel {

class radioStorage;
class THistoryPlot;

/// Reads one history store on the interface's thread (its queries answer in milliseconds; a server out
/// of reach is told in the window's status line, never in a box in the middle of tuning).
class THistoryWindow : public QWidget {
    Q_OBJECT
  public:
    /// Opens two events side by side: the later as the current side, the earlier as the other.
    using CompareHandler =
        std::function<void(std::shared_ptr<const radioStorage> later, QString laterName,
                           std::shared_ptr<const radioStorage> earlier, QString earlierName)>;
    /// Answers the path to export to (empty: cancelled).
    using PathChooser = std::function<QString(const QString& suggestion)>;

    /// Event table columns.
    enum Column {
        TimeColumn,
        KindColumn,
        SubjectColumn,
        OutcomeColumn,
        BenchColumn,
        OperatorColumn,
        PortColumn,
        ColumnCount
    };

    THistoryWindow(HistoryTarget target, QString serial, CompareHandler compare, PathChooser choosePath,
                   QWidget* parent = nullptr);
    ~THistoryWindow() override;

    /// Shows the events of the serial number typed (trailing blanks dropped).
    void showRadio(const QString& serial);
    /// Selects events by row (newest first): one shows its values, two can be compared.
    void selectRows(const std::vector<int>& rows);
    /// Plots a value by name across the radio's events.
    void plotValue(const QString& name);
    /// Compares the two selected events; false when not exactly two are selected.
    bool compareSelected();
    /// Writes the radio's events with their values as CSV; false (with the reason in the status line)
    /// when it cannot.
    bool exportCsv(const QString& path);

    QLineEdit* serialBox() const { return m_serial; }
    QTableWidget* eventTable() const { return m_events; }
    QTableWidget* valueTable() const { return m_values; }
    QComboBox* valueChoice() const { return m_choice; }
    THistoryPlot* plot() const { return m_plot; }
    QPushButton* compareButton() const { return m_compare; }
    QLabel* statusLine() const { return m_status; }
    const std::vector<StoredEvent>& events() const { return m_shown; }

  private:
    bool openStore();
    void selectionChanged();
    std::vector<int> selectedRows() const;
    /// The event of a row with its values (loaded on first use).
    const ServiceEvent& eventWithValues(int row);
    void fillValues(const ServiceEvent& event);
    void fail(const QString& text);

    HistoryTarget m_target;
    CompareHandler m_compareHandler;
    PathChooser m_choosePath;
    std::unique_ptr<HistoryStore> m_store;
    QString m_radio;
    std::vector<StoredEvent> m_shown;
    std::vector<bool> m_loaded;
    QLineEdit* m_serial = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_events = nullptr;
    QTableWidget* m_values = nullptr;
    QComboBox* m_choice = nullptr;
    THistoryPlot* m_plot = nullptr;
    QPushButton* m_compare = nullptr;
    QPushButton* m_export = nullptr;
};

}  // namespace vantrel
