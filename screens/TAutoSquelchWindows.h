// The auto squelch screens, one per channel spacing: manual tuning without keying, and a per-row
// "Auto Tune" that lets the radio find the point's value itself.
#pragma once

#include "operations/procedurePieces.h"
#include "screens/TTuningScreen.h"

namespace vantrel {

/// Auto squelch softpot 7 at the seven receive points, record row 11 in the columns of the screen's
/// spacing, 1 to 63. Values are written live at once (the transmitter is never keyed); Program stores
/// the set. Each row's "Auto Tune" button tunes only that row's point.
class TAutoSquelchWindow : public TTuningScreen {
    Q_OBJECT
  public:
    static constexpr int kFirstAutoTuneId = 7002;
    static constexpr const char* kTuningFailedFormat = kAutoTuneFailedFormat;

    /// The screen of one spacing (selector::Set12k5, Set20k or Set25k).
    TAutoSquelchWindow(const screenEnvironment& environment, int selector);

    /// The procedure of a spacing's set selector without its messages: where its values are and their
    /// range (for the report).
    static tuningProcedure describe(int selector);

    /// Lets the radio tune row `row`'s point: channels, auto-tune, and the value it settled on into the
    /// row's slider, working box and record.
    void autoTuneRow(int row);

  protected:
    void rowButtonClicked(int row) override;
};

/// Auto squelch at 25 kHz: set selector 1, columns 14..20.
class TAutoSquelch25KHzWindow : public TAutoSquelchWindow {
  public:
    explicit TAutoSquelch25KHzWindow(const screenEnvironment& environment);
};

/// Auto squelch at 20 kHz: set selector 2, columns 7..13.
class TAutoSquelch20KHzWindow : public TAutoSquelchWindow {
  public:
    explicit TAutoSquelch20KHzWindow(const screenEnvironment& environment);
};

/// Auto squelch at 12.5 kHz: set selector 3, columns 0..6.
class TAutoSquelch125KHzWindow : public TAutoSquelchWindow {
  public:
    explicit TAutoSquelch125KHzWindow(const screenEnvironment& environment);
};

}  // namespace vantrel
