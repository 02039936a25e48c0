// The receive screens on the point-row framework: front end filter and rated volume.
#pragma once

#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"
#include "screens/TTuningScreen.h"

class QLineEdit;

namespace vantrel {

/// Front end filter: softpot 13 at the seven receive points, record row 10, columns 0..6. The range
/// follows the model: 0 to 255 on high-power F mobiles (which also show the mean of five calibration DAC
/// readings after every live write in the "RSSI DAC" box), 0 to 127 on other mobiles, 0 to 255 otherwise.
class TFrontEndFilterWindow : public TTuningScreen {
    Q_OBJECT
  public:
    static constexpr int kCalDacReads = frontEndFilterPiece::kCalDacReads;

    explicit TFrontEndFilterWindow(const screenEnvironment& environment);
    static tuningProcedure describe(const radioStorage& record);

    /// The "RSSI DAC" box (id 4016); nullptr on radios without it.
    QLineEdit* calDacBox() const { return m_calDacBox; }

  protected:
    void render(const sessionState& state) override;

  private:
    QLineEdit* m_calDacBox = nullptr;
};

/// Rated volume: softpot 8 at the middle receive point, record row 12, column 0, 0 to 255.
class TRatedVolumeWindow : public TTuningScreen {
  public:
    explicit TRatedVolumeWindow(const screenEnvironment& environment);
    static tuningProcedure describe(bool brightline);
};

/// Rated volume in the Brightline environment: the same softpot under the Brightline test mode, stored in
/// record row 12, column 1.
class TRatedVolumeBrightlineWindow : public TTuningScreen {
  public:
    explicit TRatedVolumeBrightlineWindow(const screenEnvironment& environment);
};

}  // namespace vantrel
