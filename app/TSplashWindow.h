// The progress window of Read Radio and Program All: title picture, step text and gauge.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "operations/ProgressSink.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantrel {

/// Shown centred while a whole radio is read or programmed. Each SetPercentDone moves the gauge and
/// lets the window repaint; from 96 % on it closes itself 10 ms later, and a click closes it once the
/// gauge shows more than 94 %. A missing or unreadable picture file is replaced by the built-in picture.
/// Its Cancel button (or Escape) asks the operation to stop between two exchanges; the window is
/// application modal, so while the link waits it is the one window that takes the user's input.
class TSplashWindow : public QWidget, public ProgressSink {
  public:
    static constexpr int kWidth = 550;
    static constexpr int kHeight = 400;
    static constexpr int kCloseTimeoutMs = 10;
    static constexpr int kClosingPercent = 96;    ///< from here the closing timer starts
    static constexpr int kClickablePercent = 94;  ///< above this a click or the timer closes

    TSplashWindow(const QString& bitmapPath, const QString& title, QWidget* parent = nullptr);

    void SetText(const std::string& text) override;
    void SetPercentDone(int percent) override;
    bool cancelRequested() override { return m_cancelRequested; }

    /// What the Cancel button does: notes the request (once) and disables the button.
    void requestCancel();
    /// Whether a click on Cancel can still do something: shown, and not cancelled yet.
    bool acceptsCancel() const;
    QPushButton* cancelButton() const { return m_cancel; }

    int percentDone() const;
    QString stepText() const;
    const QTimer& closeTimer() const { return m_closeTimer; }
    /// What the closing timer does when it fires: closes the window when the gauge is above 94 %.
    void closeTimerFired();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QImage m_picture;
    QString m_title;
    QLabel* m_text = nullptr;
    QProgressBar* m_gauge = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancelRequested = false;
    QTimer m_closeTimer;
};

}  // namespace vantrel
