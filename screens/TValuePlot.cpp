// The value plot of a seven-point procedure.
#include "screens/TValuePlot.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <algorithm>
#include <functional>

#include "radio/RF_Frequency.h"
#include "radio/radioStorage.h"
#include "screens/TTunerEditBox.h"
#include "screens/TTuningScreen.h"

namespace vantrel {

namespace {

// Everything is laid out on a plot 300 units high; the painter scales that to the area.
constexpr double kUnitHeight = 300.0;
constexpr double kTitleHeight = 18.0;
constexpr double kLeft = 34.0;  // room for the axis values
constexpr double kRight = 8.0;
constexpr double kTop = 10.0;
constexpr double kBottom = 44.0;  // point names and the legend
constexpr double kSquare = 9.0;   // a default value; a working value's dot is smaller, so both show
constexpr double kDot = 6.0;
constexpr int kFontPixels = 10;
constexpr int kGridSteps = 4;
constexpr int kWorkingDigits = 3;  // what Program reads of a working box

const QColor kPaper(Qt::white);
const QColor kFrame(0x80, 0x80, 0x80);
const QColor kGrid(0xe2, 0xe2, 0xe2);
const QColor kAxisText(0x40, 0x40, 0x40);
const QColor kAbsentText(0xb0, 0xb0, 0xb0);
const QColor kDefaultColour(0x70, 0x70, 0x70);
const QColor kWorkingColour(0x1f, 0x5f, 0xbf);
const QColor kKeyedColour(0xc0, 0x20, 0x18);
const QColor kKeyedBand(0xfb, 0xe0, 0xdc);

QFont plotFont(bool bold = false) {
    QFont font;
    font.setPixelSize(kFontPixels);
    font.setBold(bold);
    return font;
}

/// Joins the present values left to right; an absent point breaks the line rather than bridging it.
QPainterPath seriesPath(const std::array<std::optional<int>, valuePlotData::kPoints>& values,
                        const std::function<QPointF(int, int)>& at) {
    QPainterPath path;
    bool open = false;
    for (int i = 0; i < valuePlotData::kPoints; ++i) {
        if (!values[size_t(i)]) {
            open = false;
            continue;
        }
        const QPointF p = at(i, *values[size_t(i)]);
        if (open)
            path.lineTo(p);
        else
            path.moveTo(p);
        open = true;
    }
    return path;
}

std::optional<int> boxValue(const QLineEdit* box, bool working) {
    if (!box || box->text().trimmed().isEmpty())
        return std::nullopt;
    if (working)
        return TTunerEditBox::leadingValue(box->text().left(kWorkingDigits), kWorkingDigits);
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

int valuePlotData::shownPoints() const {
    int count = 0;
    for (int i = 0; i < kPoints; ++i) count += (defaults[size_t(i)] || working[size_t(i)]) ? 1 : 0;
    return count;
}

TValuePlot::TValuePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("valuePlot"));
    resize(kSize);
}

void TValuePlot::setData(const valuePlotData& data) {
    if (data == m_data)
        return;
    m_data = data;
    update();
}

void TValuePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_data);
}

bool TValuePlot::suits(const tuningProcedure& procedure) {
    if (procedure.layout.kind != screenLayoutKind::SevenPoint)
        return false;
    // Rows of their own (the DAC screen's) are no points; rows that are the points keep their numbers.
    return std::all_of(procedure.rows.begin(), procedure.rows.end(), [](const tuningRow& r) {
        return r.label.empty() && r.point >= 1 && r.point <= valuePlotData::kPoints;
    });
}

valuePlotData TValuePlot::screenData(const TTuningScreen& screen, int keyedRow) {
    valuePlotData data;
    data.minimum = screen.procedure().minimum;
    data.maximum = screen.procedure().maximum;
    for (int row = 0; row < screen.rowCount(); ++row) {
        const int point = screen.pointOfRow(row);
        if (point < 1 || point > valuePlotData::kPoints || !screen.rowSupported(row))
            continue;
        const auto at = size_t(point - 1);
        // A row without a record place hides its default box: it has no default to plot.
        if (!screen.defaultBox(row)->isHidden())
            data.defaults[at] = boxValue(screen.defaultBox(row), false);
        // The slider holds the value taken (what the radio has), not the text still being typed.
        if (const QSlider* slider = screen.slider(row))
            data.working[at] = slider->value();
        else
            data.working[at] = boxValue(screen.workingBox(row), true);
        if (row == keyedRow)
            data.keyedPoint = point;
    }
    return data;
}

valuePlotData TValuePlot::recordData(const tuningProcedure& procedure, const radioStorage& record) {
    valuePlotData data;
    data.minimum = procedure.minimum;
    data.maximum = procedure.maximum;
    for (int i = 0; i < valuePlotData::kPoints; ++i) {
        int row = procedure.row;
        int column = procedure.firstColumn + i;
        if (!procedure.rows.empty()) {
            if (size_t(i) >= procedure.rows.size())
                break;
            row = procedure.rows[size_t(i)].recordRow;
            column = procedure.rows[size_t(i)].recordColumn;
            if (row == tuningRow::kNoRecord)
                continue;
        }
        // The same rule as the screen's: a point without a channel on its side is unsupported.
        if (RF_Frequency::channelAt(record, procedure.receiveSide, i + 1) == 0)
            continue;
        data.defaults[size_t(i)] = record.getValue(row, column);
    }
    return data;
}

void TValuePlot::paint(QPainter& painter, const QRectF& area, const valuePlotData& data,
                       const QString& title) {
    if (area.height() <= 0 || area.width() <= 0)
        return;
    painter.save();
    const double unit = area.height() / kUnitHeight;
    painter.translate(area.topLeft());
    painter.scale(unit, unit);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double width = area.width() / unit;

    painter.fillRect(QRectF(0, 0, width, kUnitHeight), kPaper);
    double top = kTop;
    if (!title.isEmpty()) {
        painter.setFont(plotFont(true));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(4, 2, width - 8, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
        top += kTitleHeight;
    }
    const QRectF plot(kLeft, top, std::max(1.0, width - kLeft - kRight),
                      std::max(1.0, kUnitHeight - top - kBottom));
    const double columnWidth = plot.width() / valuePlotData::kPoints;
    // A range that says nothing (a fault in a description) still gets an axis rather than a division by 0.
    const int low = std::min(data.minimum, data.maximum);
    const int high = std::max(data.maximum, low + 1);
    auto yOf = [&](int value) {
        const double clamped = std::clamp(value, low, high);
        return plot.bottom() - (clamped - low) * plot.height() / (high - low);
    };
    auto at = [&](int index, int value) {
        return QPointF(plot.left() + (index + 0.5) * columnWidth, yOf(value));
    };

    // The keyed point's column first, under everything else.
    if (data.keyedPoint >= 1 && data.keyedPoint <= valuePlotData::kPoints)
        painter.fillRect(
            QRectF(plot.left() + (data.keyedPoint - 1) * columnWidth, plot.top(), columnWidth, plot.height()),
            kKeyedBand);

    painter.setFont(plotFont());
    for (int step = 0; step <= kGridSteps; ++step) {
        const int value = low + (high - low) * step / kGridSteps;
        const double y = yOf(value);
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(kAxisText);
        painter.drawText(QRectF(0, y - 7, kLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(value));
    }
    painter.setPen(QPen(kFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    for (int i = 0; i < valuePlotData::kPoints; ++i) {
        const bool shown = data.defaults[size_t(i)] || data.working[size_t(i)];
        painter.setPen(shown ? kAxisText : kAbsentText);
        painter.setFont(plotFont(i + 1 == data.keyedPoint));
        painter.drawText(QRectF(plot.left() + i * columnWidth, plot.bottom() + 2, columnWidth, 14),
                         Qt::AlignCenter, QStringLiteral("F%1").arg(i + 1));
    }

    // Defaults: a dashed grey line with open squares; working values: a solid line with filled dots.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kDefaultColour, 1.2, Qt::DashLine));
    painter.drawPath(seriesPath(data.defaults, at));
    painter.setPen(QPen(kDefaultColour, 1.2));
    painter.setBrush(kPaper);
    for (int i = 0; i < valuePlotData::kPoints; ++i) {
        if (const auto& v = data.defaults[size_t(i)])
            painter.drawRect(QRectF(at(i, *v) - QPointF(kSquare / 2, kSquare / 2), QSizeF(kSquare, kSquare)));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kWorkingColour, 2));
    painter.drawPath(seriesPath(data.working, at));
    painter.setBrush(kWorkingColour);
    painter.setPen(QPen(kWorkingColour, 1));
    for (int i = 0; i < valuePlotData::kPoints; ++i) {
        if (const auto& v = data.working[size_t(i)]) {
            painter.drawEllipse(at(i, *v), kDot / 2, kDot / 2);
            if (i + 1 == data.keyedPoint) {
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(kKeyedColour, 2));
                painter.drawEllipse(at(i, *v), kSquare * 0.8, kSquare * 0.8);
                painter.setBrush(kWorkingColour);
                painter.setPen(QPen(kWorkingColour, 1));
            }
        }
    }

    // The legend under the point names, for the series the plot has.
    const double legendY = plot.bottom() + 22;
    double x = plot.left();
    auto entry = [&](const QString& text, const QColor& textColour,
                     const std::function<void(QPointF)>& mark) {
        mark(QPointF(x + kSquare / 2, legendY + 7));
        painter.setPen(textColour);
        painter.drawText(QRectF(x + kSquare + 4, legendY, 60, 14), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += kSquare + 8 + QFontMetricsF(painter.font()).horizontalAdvance(text) + 12;
    };
    painter.setFont(plotFont());
    auto any = [](const auto& values) {
        return std::any_of(values.begin(), values.end(),
                           [](const std::optional<int>& v) { return v.has_value(); });
    };
    if (any(data.defaults))
        entry(QStringLiteral("Default"), kAxisText, [&](QPointF c) {
            painter.setPen(QPen(kDefaultColour, 1.2));
            painter.setBrush(kPaper);
            painter.drawRect(QRectF(c - QPointF(kSquare / 2, kSquare / 2), QSizeF(kSquare, kSquare)));
        });
    if (any(data.working))
        entry(QStringLiteral("Working"), kAxisText, [&](QPointF c) {
            painter.setPen(QPen(kWorkingColour, 1));
            painter.setBrush(kWorkingColour);
            painter.drawEllipse(c, kDot / 2, kDot / 2);
        });
    if (data.keyedPoint != 0)
        entry(QStringLiteral("Keyed"), kKeyedColour, [&](QPointF c) {
            painter.setPen(QPen(kKeyedColour, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c, kSquare * 0.4, kSquare * 0.4);
        });
    painter.restore();
}

}  // namespace vantrel
