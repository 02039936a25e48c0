// A plot of one value of a radio across its service events (Transmit High Power F3 from one service to
// the next): does it drift?
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QPainter;

namespace vantrel {

/// One event's value: when, and what the radio held after it (absent when the event does not know).
struct historyPlotPoint {
    QString time;  ///< "03-01 14:05" as the axis shows it
    std::optional<long long> value;
};

/// Paints the values oldest to newest, left to right, joined by a line, with the range of the values on
/// the y axis and the first and last date under the x axis.
class THistoryPlot : public QWidget {
  public:
    explicit THistoryPlot(QWidget* parent = nullptr);
    void setData(QString title, std::vector<historyPlotPoint> points);
    const std::vector<historyPlotPoint>& points() const { return m_points; }
    const QString& title() const { return m_title; }
    QSize sizeHint() const override { return {420, 220}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_title;
    std::vector<historyPlotPoint> m_points;
};

}  // namespace vantrel
