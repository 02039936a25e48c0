// The utilities as pieces of the tuning session: serial number programming, temp comp, baseband offsets.
#pragma once

#include <optional>
#include <string>

#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "operations/procedurePiece.h"
#include "operations/utilityOperations.h"

namespace vantrel {

/// Program Serial No.: one entry; the radio must still be the record's (whose serial number is blank).
/// Update writes the entry's ten characters.
class serialProgramPiece : public procedurePiece {
  public:
    explicit serialProgramPiece(radioStorage& record);
    bool checksSerialAtOpening() const override { return false; }
    bool tidiesAtClose() const override { return false; }
    bool statusFollowsKey() const override { return false; }
    void setupRadio(sessionContext& session) override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
    std::string entry(int) const override { return m_entry; }

  private:
    std::string m_entry;
};

/// Read Temp Comp (the opening reads the four bytes) and Write Temp Comp (Program writes the entry's eight
/// hexadecimal digits).
class tempCompPiece : public procedurePiece {
  public:
    tempCompPiece(radioStorage& record, bool writeMode);
    bool checksSerialAtOpening() const override { return false; }
    /// Writing opens without the radio: the port is opened only by Program.
    bool usesRadioAtOpening() const override { return !m_write; }
    bool tidiesAtClose() const override { return false; }
    bool statusFollowsKey() const override { return false; }
    std::optional<PromptMessage> portBusyMessage() const override;
    std::string linkErrorText() const override;
    void setupRadio(sessionContext& session) override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
    std::optional<sessionOutcome> programOwn(sessionContext& session) override;
    std::string entry(int) const override { return m_entry; }
    /// "temp-comp": the bytes read, as eight hexadecimal digits.
    std::vector<std::pair<std::string, std::string>> readouts() const override;

  private:
    bool m_write;
    std::string m_entry;
};

/// Update Baseband Offset: the rows of the shown channel spacing; a row's entry is the text of its offset
/// ("512 Hz"); Update writes the chosen offsets.
class basebandPiece : public procedurePiece {
  public:
    explicit basebandPiece(const pieceEnvironment& environment);
    bool checksSerialAtOpening() const override;
    /// The offsets chosen belong to the radio they were read from.
    bool restartsAfterReread() const override { return false; }
    bool tidiesAtClose() const override { return false; }
    bool statusFollowsKey() const override { return false; }
    void setupRadio(sessionContext& session) override;
    bool offers(sessionAction action) const override;
    sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session) override;
    /// The chosen (new) offset of a row at the shown spacing.
    std::string entry(int row) const override;
    /// "spacing" (0..2) and, per row, "default N" (the offset the radio holds).
    std::vector<std::pair<std::string, std::string>> readouts() const override;

    /// The offsets of the radio opened; nullptr before the opening read them.
    const basebandOffsets* offsets() const { return m_offsets ? &*m_offsets : nullptr; }
    /// The configuration file the rows came from; empty for radios that hold their own offsets.
    std::string configurationFile() const;

  private:
    sessionOutcome update(sessionContext& session);
    /// The configuration given, or the piece's own.
    bboConfigFileModule& config();

    pieceEnvironment m_environment;
    std::optional<bboConfigFileModule> m_ownConfig;
    std::optional<basebandOffsets> m_offsets;
    int m_shown = 0;
};

}  // namespace vantrel
