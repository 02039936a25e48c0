// The interactive hooks: real file dialogs, modal dialogs and the system's printers.
#include "app/ShellHooks.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinterInfo>

namespace vantrel {

namespace {

QString chooseWithDialog(FileDialogKind kind, const QString& suggestion) {
    QFileDialog dialog(QApplication::activeWindow());
    const bool pdf = kind == FileDialogKind::SavePdf;
    const bool csv = kind == FileDialogKind::SaveCsv;
    dialog.setNameFilter(pdf   ? QStringLiteral("PDF files (*.pdf)")
                         : csv ? QStringLiteral("CSV files (*.csv)")
                               : QStringLiteral("Tuner files (*.sfp)"));
    dialog.setDefaultSuffix(pdf   ? QStringLiteral("pdf")
                            : csv ? QStringLiteral("csv")
                                  : QStringLiteral("sfp"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setWindowTitle(fileDialogTitle(kind));
    if (kind == FileDialogKind::OpenArchive || kind == FileDialogKind::CompareArchive) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    const QFileInfo start(suggestion);
    if (start.isDir()) {
        dialog.setDirectory(start.absoluteFilePath());
    } else if (!suggestion.isEmpty()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString fileDialogTitle(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::OpenArchive:
            return QStringLiteral("Load Archive File");
        case FileDialogKind::SaveArchive:
            return QStringLiteral("Save Archive File");
        case FileDialogKind::SavePdf:
            return QStringLiteral("Save Report as PDF");
        case FileDialogKind::CompareArchive:
            // Not the load dialog: the archive chosen here leaves the current data as it is.
            return QStringLiteral("Compare with Archive File");
        case FileDialogKind::SaveCsv:
            return QStringLiteral("Export Service History");
    }
    return {};
}

ShellHooks ShellHooks::interactive() {
    ShellHooks hooks;
    hooks.chooseFile = chooseWithDialog;
    hooks.runDialog = [](QDialog& dialog) { dialog.exec(); };
    hooks.printerAvailable = [] { return !QPrinterInfo::availablePrinterNames().isEmpty(); };
    hooks.printDialog = [](QPrinter& printer) {
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        return dialog.exec() == QDialog::Accepted;
    };
    return hooks;
}

}  // namespace vantrel
