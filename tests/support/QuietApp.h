// The whole application for a shell test: started in a scratch folder, every dialog answered by nothing.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <memory>

#include "app/ScreenFactory.h"
#include "app/ShellHooks.h"
#include "app/TVantrelApp.h"
#include "link/LinkContext.h"

namespace vantrel::test {

/// Starts the application with `directory` as its program folder and current folder, the catalogue's
/// screens, no file choices, no printer and modal dialogs that return at once. The link's idle hook is
/// off, so exchanges run straight through.
inline std::unique_ptr<TVantrelApp> startQuietApp(const QString& directory, UserPrompt& prompt) {
    QDir::setCurrent(directory);
    setScreenFactory(nullptr);
    ShellHooks hooks;
    hooks.chooseFile = [](FileDialogKind, const QString&) { return QString(); };
    hooks.runDialog = [](QDialog&) {};
    hooks.printerAvailable = [] { return false; };
    hooks.printDialog = [](QPrinter&) { return false; };
    StartOptions options;
    options.programDirectory = directory;
    options.profilePath = QDir(directory).filePath(QStringLiteral("Vantrel.ini"));
    auto app = std::make_unique<TVantrelApp>(options, prompt, hooks);
    app->start(false);
    linkContext().idleHook = nullptr;
    return app;
}

/// Ends an application started by startQuietApp and deletes what it left for later.
inline void stopQuietApp(std::unique_ptr<TVantrelApp>& app) {
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setScreenFactory(nullptr);
}

}  // namespace vantrel::test
