// Update Baseband Offset: shows and changes the radio's baseband offsets per channel spacing.
#pragma once

#include <vector>

#include "screens/TScreenSession.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantrel {

class basebandOffsets;
class basebandPiece;

/// The view of the baseband offset utility (open-screen code 31). One row per offset: its name, a drop-down
/// of the sixteen offsets (the new value) and the value read from the radio. The session's opening matches
/// the radio with the configuration file (radios that hold their own offsets need none) and reads the
/// offsets; the rows appear then.
class TBasebandUpdateWindow : public TScreenSession {
    Q_OBJECT
  public:
    static constexpr int kCode = 31;
    static constexpr int kFirstSpacingId = 3101;
    static constexpr int kFirstListId = 4100;
    static constexpr int kFirstDefaultId = 4200;
    static constexpr int kUpdateId = 7116;

    explicit TBasebandUpdateWindow(const screenEnvironment& environment);

    /// Shows spacing 0, 1 or 2 (nothing when it is shown already).
    void showSpacing(int spacing);
    /// A choice in row `row`'s drop-down.
    void choose(int row, const QString& text);
    void update();
    /// "Configuration file: PATH" under the Update button; empty for radios that keep their own offsets.
    QString configurationFileText() const;

    /// The spacing shown; -1 before the opening read the offsets.
    int shownSpacing() const { return m_shown; }
    int rowCount() const { return static_cast<int>(m_lists.size()); }
    QComboBox* list(int row) const { return m_lists[static_cast<std::size_t>(row)]; }
    QLineEdit* defaultBox(int row) const { return m_defaults[static_cast<std::size_t>(row)]; }
    QRadioButton* spacingButton(int spacing) const { return m_spacing[static_cast<std::size_t>(spacing)]; }
    QPushButton* updateButton() const { return m_update; }
    /// The offsets the session read and the choices made; valid once opened.
    const basebandOffsets& offsets() const;

    /// "Primary system = ..." for the model character eight places after the model offset.
    static QString primarySystemText(char modelChar);

  protected:
    void render(const sessionState& state) override;
    void beforeModal() override;

  private:
    const basebandPiece& piece() const;
    /// The rows' controls, the Update button and the file's name below them, once the rows are known.
    void buildRows(const sessionState& state);

    std::vector<QComboBox*> m_lists;
    std::vector<QLineEdit*> m_defaults;
    std::vector<QRadioButton*> m_spacing;
    QPushButton* m_update = nullptr;
    QLabel* m_configFile = nullptr;
    int m_shown = -1;
    bool m_waitCursor = false;
};

}  // namespace vantrel
