// The shell's seams to modal user interaction: file choices, modal dialogs and the printer check.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QPrinter;

namespace vantrel {

/// Which file dialog a command wants.
enum class FileDialogKind { OpenArchive, SaveArchive, SavePdf, CompareArchive, SaveCsv };

/// The title of the file dialog of a kind ("Load Archive File", "Compare with Archive File", ...).
QString fileDialogTitle(FileDialogKind kind);

/// How the shell asks the user things besides message boxes. The defaults run the real dialogs; tests
/// and the screenshot run replace them.
struct ShellHooks {
    /// Answers the chosen path, or an empty string when the user cancelled. The dialog starts at
    /// `suggestion`: a folder, or a folder and the file name proposed in it.
    std::function<QString(FileDialogKind, const QString& suggestion)> chooseFile;
    /// Runs a modal dialog (settings, radio information, About, print notification, preview).
    std::function<void(QDialog&)> runDialog;
    /// Whether a printer device can be opened.
    std::function<bool()> printerAvailable;
    /// Runs the print dialog over the printer; true when the user chose to print.
    std::function<bool(QPrinter&)> printDialog;

    /// The hooks of the real application.
    static ShellHooks interactive();
};

}  // namespace vantrel
