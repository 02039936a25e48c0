// Places controls of the fixed-layout dialogs by dialog units, scaled to the dialog's font.
#pragma once

#include <QRect>

class QWidget;

namespace vantrel {

/// Dialog units of a widget's font: x units are a quarter of the average character width, y units an
/// eighth of the character height, so layouts given in units keep their proportions at any font size.
class DialogUnits {
  public:
    explicit DialogUnits(const QWidget& widget);
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

  private:
    double m_x;
    double m_y;
};

}  // namespace vantrel
