// Controls shared by the screens that lay out their own windows (not the point-row framework's).
#pragma once

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRect>
#include <QString>

namespace vantrel::screenControls {

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
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x40, 0x40, 0x40));
    box->setPalette(palette);
    return box;
}

/// Moves the frame that takes `screen` in to the screens' place in the main window.
inline void placeFrame(QWidget* screen) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(screen->parentWidget()))
        frame->move(50, 50);
}

}  // namespace vantrel::screenControls
