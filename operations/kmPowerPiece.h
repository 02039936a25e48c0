// K and M power tuning of mobiles: two power readings per transmit point give the point's K and M.
#pragma once

#include <array>
#include <string>

#include "operations/procedurePiece.h"
#include "radio/kmPowerModel.h"

namespace vantrel {

/// Rows 0..6 are the Power 1 readings of F1..F7 (measured at level L1, record row 17 column 14), rows
/// 7..13 the Power 2 readings (level L2, column 15): selections s and s + 7 are the same point. A step on a
/// row sends its level live while keyed (the value is the level, not a softpot value); keying releases the
/// PA voltage limit. Program computes every pair from the readings first, then writes the supported points.
/// Link failures are told in the status.
class kmPowerPiece : public procedurePiece {
  public:
    static constexpr int kPoints = 7;
    static constexpr const char* kCommitQuestion = "Commit new softpot values?";
    static constexpr const char* kIncorrectFormat = "Incorrect power measurement in F%d!!";
    static constexpr const char* kWrittenText = "Softpots have been successfully written to the radio!!";
    static constexpr int kLevelMaximum = 255;  ///< a level goes live as one byte

    explicit kmPowerPiece(radioStorage& record);

    const kmPowerModel& model() const { return m_model; }
    /// The level a row measures at (L1 or L2 from the record).
    int level(int row) const;

    void assignPoints() override;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    void keyedUp(int row, EnhancedSBEP& link) override;
    bool sameKeyPlace(int keyedRow, int row) const override;
    bool failuresInStatus() const override { return true; }
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
    std::optional<sessionOutcome> programOwn(sessionContext& session) override;
    std::string entry(int row) const override { return m_entries[size_t(row)]; }

  private:
    kmPowerModel m_model;
    std::array<std::string, 2 * kPoints> m_entries;
};

}  // namespace vantrel
