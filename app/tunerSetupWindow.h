// The setup picture window: how a portable or a mobile radio is wired to the test equipment.
#pragma once

#include <QImage>
#include <QWidget>

namespace vantrel {

/// Shows its picture centred. While it lives the open-screen code is 41 (portable) or 42 (mobile) and
/// the setup-picture-open flag is set; its destruction puts both back to 0. Both integers must outlive
/// the window. A missing picture file is replaced by the built-in drawing.
class tunerSetupWindow : public QWidget {
  public:
    tunerSetupWindow(bool portable, int* openScreenCode, int* setupPictureOpen, QWidget* parent,
                     const QString& bitmapPath);
    ~tunerSetupWindow() override;

    /// Where the frame that takes the picture in is placed in the main window.
    static constexpr QPoint kPosition{1, 1};

    QSize sizeHint() const override { return QSize(600, 500); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    bool m_placed = false;
    int* m_openScreenCode;
    int* m_setupPictureOpen;
    QImage m_picture;
};

}  // namespace vantrel
