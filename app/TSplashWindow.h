// The progress window of Read Radio and Program All: title picture, step text and gauge.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "operations/ProgressSink.h"

class QLabel;
class QProgressBar;

namespace vantrel {

/// Shown centred while a whole radio is read or programmed. Each SetPercentDone moves the gauge and
/// lets the window repaint; from 96 % on it closes itself 10 ms later, and a click closes it once the
/// gauge shows more than 94 %. A missing or unreadable picture file is replaced by the built-in picture.
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

    int percentDone() const;
    QString stepText() const;
    const QTimer& closeTimer() const { return m_closeTimer; }
    /// What the closing timer does when it fires: closes the window when the gauge is above 94 %.
    void closeTimerFired();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage m_picture;
    QString m_title;
    QLabel* m_text = nullptr;
    QProgressBar* m_gauge = nullptr;
    QTimer m_closeTimer;
};

}  // namespace vantrel
