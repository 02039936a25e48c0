// The whole application on a screen bench's simulated radio, with the catalogue's screens installed.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <memory>

#include "../support/QuietApp.h"
#include "ScreenBench.h"
#include "app/ScreenFactory.h"
#include "app/ShellHooks.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "link/LinkContext.h"

namespace vantrel::test {

/// The whole application on the bench's radio, with the tuning screens installed.
class ShellRig {
  public:
    explicit ShellRig(SimProfile profile = SimProfile::named("portable")) : bench(std::move(profile)) {
        app = startQuietApp(bench.dir.path(), bench.prompt);
    }
    ~ShellRig() { stopQuietApp(app); }
    bool run(int id) {
        app->frame()->updateCommandStates();
        if (!app->frame()->isAvailable(id))
            return false;
        app->frame()->execute(id);
        return true;
    }
    TVantrelMDIClient& client() { return *app->client(); }
    TTuningScreen* screen() {
        QList<QMdiSubWindow*> children = client().subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<TTuningScreen*>(children.first()->widget());
    }

    ScreenBench bench;
    std::unique_ptr<TVantrelApp> app;
};

}  // namespace vantrel::test
