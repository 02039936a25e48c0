// The RSSI screen: the radio takes each threshold at the signal level the technician applies.
#pragma once

#include <array>

#include "screens/TScreenSession.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

/// RSSI thresholds, record row 16: row N shows its softpot value from column N-1 and its level in dBm
/// from column N+2. "Update" of row N has the radio take threshold N at the signal now applied (softpot
/// 26 programmed with N-1), then reads the thresholds back. Rows 1 and 2 always, row 3 on the radios
/// that hold three thresholds. The screen never keys; closing resets the radio. The session does the radio
/// work; the view shows its rows.
class TRSSIWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kRows = 3;
    static constexpr const char* kPointFormat = "Frequency tuning point is currently %f MHz";

    explicit TRSSIWindow(const screenEnvironment& environment);
    ~TRSSIWindow() override;

    /// "Update" of row 1..3.
    void update(int row);

    /// Rows shown for the record's radio (2 or 3).
    int rowCount() const;
    /// The receive point the screen works at (0 when the radio has none).
    int point() const;
    QLineEdit* levelBox(int row) const { return m_levels[size_t(row - 1)]; }
    QLineEdit* softpotBox(int row) const { return m_softpots[size_t(row - 1)]; }
    QPushButton* updateButton(int row) const { return m_updates[size_t(row - 1)]; }
    QLineEdit* pointBox() const { return m_pointBox; }

  protected:
    void render(const sessionState& state) override;

  private:
    std::array<QLineEdit*, kRows> m_levels{};
    std::array<QLineEdit*, kRows> m_softpots{};
    std::array<QPushButton*, kRows> m_updates{};
    std::array<std::array<QWidget*, 2>, kRows> m_labels{};
    QLineEdit* m_pointBox = nullptr;
    int m_reloads = -1;  ///< the session's reloads the level boxes last showed
};

}  // namespace vantrel
