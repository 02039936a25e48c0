// A small plot of a seven-point procedure's values across F1 to F7, for its screen and for the printed
// report.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>

class QPainter;
class QRectF;

namespace vantrel {

class TTuningScreen;
class radioStorage;
struct tuningProcedure;

/// What a plot shows: for each point F1..F7 its default (record) value and its working value, each absent
/// where the point is unsupported (or its box is empty); the procedure's range is the y axis.
struct valuePlotData {
    static constexpr int kPoints = 7;

    int minimum = 0;
    int maximum = 127;
    std::array<std::optional<int>, kPoints> defaults{};
    std::array<std::optional<int>, kPoints> working{};
    int keyedPoint = 0;  ///< 1..7: the transmitter is keyed at this point; 0: dekeyed

    /// How many points have a default or a working value.
    int shownPoints() const;
    bool operator==(const valuePlotData&) const = default;
};

/// The plot as a widget. It paints with paint(), which the printout uses too, so the screen and the paper
/// show the same picture.
class TValuePlot : public QWidget {
  public:
    /// The plot's size in a screen (logical pixels).
    static constexpr QSize kSize{240, 300};

    explicit TValuePlot(QWidget* parent);

    const valuePlotData& data() const { return m_data; }
    /// Shows new values; repaints only when they differ from the shown ones.
    void setData(const valuePlotData& data);

    /// Paints a plot of `data` filling `area` of any painter (widget, printer, image); every size scales
    /// with the area's height. `title` goes over the plot when not empty.
    static void paint(QPainter& painter, const QRectF& area, const valuePlotData& data,
                      const QString& title = {});

    /// Whether a procedure's screen has a plot: a seven-point screen whose rows are the points F1..F7.
    static bool suits(const tuningProcedure& procedure);
    /// The values a screen shows now: default and working boxes of its supported points, its range, and
    /// the point its transmitter is keyed at (`keyedRow` < 0: dekeyed).
    static valuePlotData screenData(const TTuningScreen& screen, int keyedRow);
    /// The record's values of a procedure (defaults only; the working values are absent), with the points
    /// that have no channel on the procedure's side left out.
    static valuePlotData recordData(const tuningProcedure& procedure, const radioStorage& record);

    QSize sizeHint() const override { return kSize; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    valuePlotData m_data;
};

}  // namespace vantrel
