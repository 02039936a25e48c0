// How the utility windows lay out their few controls: the serif face, labels and buttons by place.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace vantrel::utilityLayout {

/// The face of the utilities' labels (normal) and controls (medium).
QFont labelFont();
QFont controlFont();
/// Gives a utility window its size, which is also its smallest.
void setSize(QWidget* window, QSize size);
QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry, bool bold = false);
/// A button named "button<id>"; `glyph` puts the apply mark before its text.
QPushButton* addButton(QWidget* parent, const QString& text, int id, const QRect& geometry, bool glyph);

}  // namespace vantrel::utilityLayout
