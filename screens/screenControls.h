// Controls shared by the screens that build their own layout: the screen font and the read-only boxes.
#pragma once

#include <QFont>
#include <QLineEdit>
#include <QPalette>

namespace vantrel::screenControls {

/// "Times New Roman", 12 pixels, medium weight, variable pitch.
inline QFont font() {
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(12);
    f.setWeight(QFont::Medium);
    f.setStyleHint(QFont::Serif);
    f.setFixedPitch(false);
    return f;
}

/// A disabled edit that only shows text (frequency, status, values), dark enough to read across the bench.
inline QLineEdit* staticBox(QWidget* parent, const QRect& geometry, const QString& name) {
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

}  // namespace vantrel::screenControls
