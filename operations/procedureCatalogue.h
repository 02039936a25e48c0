// The one catalogue of the tuning procedures, their variants and the utilities: the names scripts use, the
// commands and codes of their windows, titles, help topics, where each is available, and its piece.
#pragma once

#include <span>
#include <string_view>

#include "operations/procedureAvailability.h"
#include "operations/procedurePiece.h"

namespace vantrel {

/// What a catalogue row stands for.
enum class catalogueKind {
    Procedure,  ///< a tuning procedure with its menu command
    Variant,    ///< another form of a procedure's command (the PA bias Default screens after the screening)
    Utility,    ///< serial number, baseband offsets, temp comp
};

/// One row of the catalogue. Texts are the program's own and are shown exactly as they stand.
struct catalogueEntry {
    const char* name;     ///< stable script name: lowercase words joined by '-', fixed once published
    int commandId;        ///< the menu command that opens it (a variant shares its procedure's)
    int code;             ///< the open-screen code its window publishes
    const char* title;    ///< window title
    const char* caption;  ///< caption of the window's frame; nullptr: the title
    int helpContext;      ///< help topic of F1 on its window; kHelpIndex for the help index
    catalogueKind kind;
    /// Where it is available, over the data state and the record (a pull-right's group condition included).
    bool (*available)(const procedureState& state);
    pieceMaker makePiece;
    const char* description;  ///< one line for the technician or the script writer

    const char* childCaption() const { return caption ? caption : title; }
};

/// The help context standing for the help index.
inline constexpr int kHelpIndex = 0;

/// Every row: the procedures in menu order, then the variants, then the utilities.
std::span<const catalogueEntry> catalogue();
/// The row of a script name; nullptr when none.
const catalogueEntry* catalogueNamed(std::string_view name);
/// The procedure or utility a menu command opens (not its variant); nullptr when none.
const catalogueEntry* catalogueForCommand(int commandId);
/// The variant of a menu command (the PA bias Default screens); nullptr when none.
const catalogueEntry* catalogueVariantOf(int commandId);
/// The first row publishing an open-screen code; nullptr when none.
const catalogueEntry* catalogueForCode(int code);
/// The title of a script name ("" for none): for the texts that name a procedure by its window's title.
const char* catalogueTitle(std::string_view name);
/// Whether a procedure is available on the radio of `record` as read (tuning allowed by its procedure
/// version).
bool availableOnRadio(const catalogueEntry& entry, const radioStorage& record);

}  // namespace vantrel
