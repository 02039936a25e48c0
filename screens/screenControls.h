// Controls shared by the screens that lay out their own windows (not the point-row framework's).
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QString>

namespace vantrel::screenControls {

/// Text of the boxes that only show a value: greyed like every disabled edit, but dark enough to read
/// across the bench.
inline QColor staticText() {
    return {0x40, 0x40, 0x40};
}
/// The status text while the transmitter is on the air.
inline QColor keyedText() {
    return {0xa0, 0x10, 0x10};
}
/// The background of the point the transmitter is keyed at.
inline QColor keyedBackground() {
    return {0xfb, 0xe0, 0xdc};
}

/// The PTT glyph: a red transmit lamp.
inline QIcon pttGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x70, 0x10, 0x10), 1));
    p.setBrush(QColor(0xd8, 0x28, 0x20));
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return QIcon(pixmap);
}

/// Marks a point's frequency box as the point the transmitter is keyed at (or takes the mark away).
inline void markKeyed(QLineEdit* box, bool onAir) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, onAir ? keyedText() : staticText());
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     onAir ? keyedBackground() : palette.color(QPalette::Active, QPalette::Base));
    box->setPalette(palette);
}

/// The screens' font: Times New Roman, 12 pixels, medium weight.
inline QFont font() {
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(12);
    f.setWeight(QFont::Medium);
    f.setStyleHint(QFont::Serif);
    return f;
}

/// A static label at a position.
inline QLabel* label(QWidget* parent, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->setFont(font());
    l->adjustSize();
    return l;
}

/// A disabled box that only shows a value; dark enough to read across the bench.
inline QLineEdit* displayBox(QWidget* parent, const QRect& geometry, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setEnabled(false);
    box->setObjectName(name);
    box->setFont(font());
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, staticText());
    box->setPalette(palette);
    return box;
}

/// A box that shows a reading of the radio: read-only, in the normal text colour (not greyed).
inline QLineEdit* readingBox(QWidget* parent, const QRect& geometry, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setObjectName(name);
    box->setFont(font());
    // The window's colour behind the text says it cannot be typed into.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    return box;
}
}  // namespace vantrel::screenControls
