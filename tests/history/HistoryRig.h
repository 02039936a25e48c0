// The back ends the history contract runs on: a SQLite file in a temporary folder, or a database of the
// throwaway PostgreSQL cluster that with-postgres.sh starts.
#pragma once

#include <memory>
#include <string>

#include "history/HistoryStore.h"

namespace vantrel::test {

enum class Backend { Sqlite, Postgres };

/// One fresh, empty history per rig, removed when the rig goes.
class historyRig {
  public:
    virtual ~historyRig() = default;
    /// Where the history is.
    virtual HistoryTarget target() const = 0;
    /// Makes the store unreachable for writers (PostgreSQL: the server stops; SQLite: another program
    /// holds the write lock), and reachable again.
    virtual void makeUnreachable() = 0;
    virtual void makeReachable() = 0;
    /// Runs raw SQL on the history (seeding older schema versions).
    virtual void execute(const std::string& sql) = 0;
    /// A folder of the rig's own for spools and scratch files.
    virtual std::string scratch() const = 0;

    /// nullptr with `why` filled when the back end is not available here.
    static std::unique_ptr<historyRig> make(Backend backend, std::string& why);
};

}  // namespace vantrel::test
