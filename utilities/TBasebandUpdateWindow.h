// Update Baseband Offset: shows and changes the radio's baseband offsets per channel spacing.
#pragma once

#include <memory>
#include <vector>

#include "operations/sharedMessages.h"
#include "operations/utilityOperations.h"
#include "utilities/TUtilityWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantrel {

class basebandOffsets;
class tuningConnection;

/// The baseband offset utility (open-screen code 31). One row per offset: its name, a drop-down of the
/// sixteen offsets (the new value) and the value read from the radio. The record must already hold the
/// rows (the shell's check before opening matched the radio).
class TBasebandUpdateWindow : public TUtilityWindow {
    Q_OBJECT
  public:
    static constexpr int kCode = 31;
    static constexpr int kFirstSpacingId = 3101;
    static constexpr int kFirstListId = 4100;
    static constexpr int kFirstDefaultId = 4200;
    static constexpr int kUpdateId = 7116;
    static constexpr const char* kInitFailedText = bboText::InitFailed;
    static constexpr const char* kInitFailedCaption = bboText::InitFailedCaption;
    static constexpr const char* kMismatchText = message::MismatchCapital;
    static constexpr const char* kEntryErrorText = bboText::EntryError;
    static constexpr const char* kUpdateAnywayText = bboText::UpdateAnyway;
    static constexpr const char* kUpdateAnywayCaption = bboText::UpdateAnywayCaption;
    static constexpr const char* kUpdatedRadioText = bboText::UpdatedRadio;
    static constexpr const char* kUpdatedTableText = bboText::UpdatedTable;

    explicit TBasebandUpdateWindow(const screenEnvironment& environment);
    ~TBasebandUpdateWindow() override;

    /// Reads the offsets (serial number check for radios that hold them, the codeplug table for the
    /// others), shows 12.5 kHz and reads the codeplug checksum where it is kept. False (code 0) when
    /// the window must not stay open.
    bool open();
    /// Shows spacing 0, 1 or 2 (nothing when it is shown already).
    void showSpacing(int spacing);
    /// A choice in row `row`'s drop-down.
    void choose(int row, const QString& text);
    void update();
    /// Names the configuration file the rows came from under the Update button (empty: none is named,
    /// as for radios that keep their own offsets).
    void setConfigurationFile(const QString& path);
    QString configurationFileText() const;

    int shownSpacing() const { return m_shown; }
    int rowCount() const { return static_cast<int>(m_lists.size()); }
    QComboBox* list(int row) const { return m_lists[static_cast<std::size_t>(row)]; }
    QLineEdit* defaultBox(int row) const { return m_defaults[static_cast<std::size_t>(row)]; }
    QRadioButton* spacingButton(int spacing) const { return m_spacing[static_cast<std::size_t>(spacing)]; }
    QPushButton* updateButton() const { return m_update; }
    const basebandOffsets& offsets() const { return *m_offsets; }

    /// "Primary system = ..." for the model character eight places after the model offset.
    static QString primarySystemText(char modelChar);

  private:
    void redisplay();
    /// What the serial number check found: the radio the window was opened for, or another one (the
    /// technician asked whether to read it, and the read ran or was declined).
    enum class SerialCheck { Matches, OtherRadioRead, OtherRadioDeclined };
    /// Compares the connected radio's serial number with the record's; on a mismatch closes the
    /// connection, asks, and runs the read when the technician wants it.
    SerialCheck checkSerial();

    std::unique_ptr<tuningConnection> m_connection;
    std::unique_ptr<basebandOffsets> m_offsets;
    std::vector<QComboBox*> m_lists;
    std::vector<QLineEdit*> m_defaults;
    std::vector<QRadioButton*> m_spacing;
    QPushButton* m_update = nullptr;
    QLabel* m_configFile = nullptr;
    int m_shown = -1;
};

}  // namespace vantrel
