// The PA bias procedures: one row per bias softpot (and the PA voltage), toggles that zero a set first.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/procedurePiece.h"

namespace vantrel {

class paBiasData;

/// The PA bias test channel of a high-power mobile: (F - base x 25 kHz) / 5 kHz for the test frequency F
/// in Hz and the record's frequency base, in 64-bit arithmetic; nothing when it falls outside 1..65535.
std::optional<std::uint16_t> paBiasTestChannel(std::int64_t hz, std::int64_t base);

/// Which of the two PA bias settings a procedure tunes; it decides the record columns, the flag of bias 1,
/// the zeroing sets, and the texts.
enum class paBiasPower { High, Low };

/// The five PA bias procedures.
enum class paBiasKind {
    High,         ///< test mode at high power; high-power mobiles keyed at full power for the whole session
    Low,          ///< test mode (9, 2, spacing); each bias toggle zeroes only its own softpot
    HighDefault,  ///< after the supply screening found too much current: no test mode (dekey, reset)
    LowDefault,
    RxMode,  ///< receive mode on the variant F and K high-power mobiles; others get no set-up
};

/// The PA bias rows are softpots: "Voltage" (softpot 6, only written live, exists with flag 28), "Bias 1"
/// (18, flag 8, or 9 at low power), "Bias 2" (20, flag 17) and "Bias 3" (27, flag 18), in record row 8 at
/// the high or low power columns. A row's toggle zeroes the set of its procedure (live), then frees the
/// row for tuning and locks the other toggles until it is turned off. Every value change goes live at once.
/// Program checks and programs every bias row in order without dekeying: the bias is watched keyed.
class paBiasPiece : public procedurePiece {
  public:
    enum class biasRow { Voltage, Bias1, Bias2, Bias3 };

    static constexpr std::int64_t kMobileTestHz = 200000000;  ///< high-power mobiles in general
    static constexpr std::int64_t kQrTestHz = 500000000;      ///< variantQ and variantR high-power mobiles
    static constexpr std::int64_t kKTestHz = 174000000;       ///< receive mode on variantK
    static constexpr std::uint32_t kFullPower = 255;          ///< transmit power softpot during the tuning
    static constexpr const char* kSupplyBackText = "Please Set Supply Voltage Back to 7.5V";
    static constexpr const char* kKeyedText = "Radio is currently keyed up";

    paBiasPiece(paBiasKind kind, radioStorage& record);
    ~paBiasPiece() override;

    static paBiasPower powerOf(paBiasKind kind);
    /// The done message of a power ("PA Bias High softpot values commited !!").
    static const char* doneText(paBiasPower power);

    /// The row of a softpot row, -1 when the radio does not have it.
    int rowOf(biasRow kind) const;
    biasRow kindOf(int row) const;

    void assignPoints() override;
    void setupRadio(sessionContext& session) override;
    void writeLive(int row, int value, EnhancedSBEP& link) override;
    std::optional<valueRefused> checkValue(int row, std::optional<int> value) const override;
    pointOutcome programPoint(int row, int value, EnhancedSBEP& link) override;
    std::optional<PromptMessage> doneMessage() const override;
    std::string linkErrorText() const override;
    bool programDekeys() const override { return false; }
    std::string keyedStatus(int row) const override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
    void afterClosing(UserPrompt& prompt) override;
    bool rowEnabled(int row) const override { return m_enabled[size_t(row)]; }
    bool rowActionEnabled(int row) const override { return m_toggleEnabled[size_t(row)]; }
    /// A Program's list of written rows lives as long as its connection: its messages are shown by then.
    void connectionClosed() override { m_programmed.clear(); }

  private:
    /// The softpots a toggle turning on zeroes (only those the radio has), in order.
    std::vector<biasRow> zeroingSet(int row) const;
    void setRowEnabled(int row, bool enabled);
    void zeroLive(biasRow kind, EnhancedSBEP& link);
    /// The test channel of `hz` on this radio; refuses the radio (nothing sent) when out of its reach.
    std::optional<std::uint16_t> testChannel(std::int64_t hz, sessionContext& session);
    /// Selects a test channel and remembers its frequency for the status.
    void useTestChannel(std::uint16_t channel, EnhancedSBEP& link);
    /// "\n\nBias 1 and Bias 2 were programmed into the radio before the stop." while Program wrote rows.
    std::string programmedNote() const;

    paBiasKind m_kind;
    std::unique_ptr<paBiasData> m_data;
    std::vector<bool> m_enabled;
    std::vector<bool> m_toggleEnabled;
    std::vector<std::string> m_programmed;
    double m_testMhz = 0.0;  ///< test frequency the opening selected, 0 for none
};

}  // namespace vantrel
