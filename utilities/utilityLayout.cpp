// How the utility windows lay out their controls.
#include "utilities/utilityLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace vantrel::utilityLayout {

namespace {

constexpr int kFontPixels = 12;

QFont utilityFont(QFont::Weight weight) {
    // "Times Roman" stands in as the serif face the platform has.
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(kFontPixels);
    font.setWeight(weight);
    return font;
}

}  // namespace

QFont labelFont() {
    return utilityFont(QFont::Normal);
}

QFont controlFont() {
    return utilityFont(QFont::Medium);
}

void setSize(QWidget* window, QSize size) {
    window->resize(size);
    window->setMinimumSize(size);
}

QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(bold ? controlFont() : labelFont());
    return label;
}

QPushButton* addButton(QWidget* parent, const QString& text, int id, const QRect& geometry, bool glyph) {
    auto* button =
        glyph ? new QPushButton(parent->style()->standardIcon(QStyle::SP_DialogApplyButton), text, parent)
              : new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setFont(controlFont());
    return button;
}

}  // namespace vantrel::utilityLayout
