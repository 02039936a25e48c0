// The deviation and attenuation screens and the reference oscillator warp screen.
#pragma once

#include "screens/TTuningScreen.h"

namespace vantrel {

/// VCO attenuation at 25 kHz: softpot 2 at the seven transmit points, record row 5, columns 14..20,
/// 0 to 127. After Program its piece refreshes the 12.5 and 20 kHz values from the radio.
class TVCOAttnWindow : public TTuningScreen {
  public:
    explicit TVCOAttnWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// VCO attenuation at 20 kHz: one value at the highest transmit point, row 5, column 13.
class TVCOAttn20KHzWindow : public TTuningScreen {
  public:
    explicit TVCOAttn20KHzWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// VCO attenuation at 12.5 kHz: one value at the highest transmit point, row 5, column 6.
class TVCOAttn125KHzWindow : public TTuningScreen {
  public:
    explicit TVCOAttn125KHzWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// Modulation (balance) attenuation: softpot 3 at the seven transmit points, row 4, columns 14..20, 0 to 63.
class TModulationAttnWindow : public TTuningScreen {
  public:
    explicit TModulationAttnWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// DTMF deviation: softpot 14 at the lowest transmit point, row 6, 0 to 31.
class TDTMFWindow : public TTuningScreen {
  public:
    explicit TDTMFWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// QDT1200 deviation: softpot 24 at the middle transmit point, row 7, 0 to 31.
class TQDT1200Window : public TTuningScreen {
  public:
    explicit TQDT1200Window(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// High speed trunking signalling deviation: softpot 16 at the highest transmit point, row 19, 0 to 31.
class THSSWindow : public TTuningScreen {
  public:
    explicit THSSWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// Select 5 deviation: softpot 15 at the highest transmit point, row 14, 0 to 31.
class TSelect5Window : public TTuningScreen {
  public:
    explicit TSelect5Window(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// MPT1327 signalling deviation: softpot 5 at the middle transmit point, row 15, 0 to 31.
class TMPT1200Window : public TTuningScreen {
  public:
    explicit TMPT1200Window(const screenEnvironment& environment);
    static tuningProcedure describe();
};

/// Reference oscillator warp: the two-byte softpot 11 at the highest transmit point, row 2, 0 to 511.
class TRefOscWarpWindow : public TTuningScreen {
  public:
    explicit TRefOscWarpWindow(const screenEnvironment& environment);
    static tuningProcedure describe();
};

}  // namespace vantrel
