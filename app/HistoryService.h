// The application's service history: its recorder (from the settings and the environment), the notices
// for the status bar, and the settings the Options menu edits.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include "history/HistoryStore.h"

namespace vantrel {

class HistoryRecorder;

/// Owns the recorder the whole application records through. The target is VANTREL_HISTORY, else the
/// setting ("History/Target" in the profile), else history.sqlite in the user's data folder; the
/// operator VANTREL_OPERATOR, else the setting ("History/Operator"), else the login name. Without a
/// data folder (tests) nothing is recorded.
class HistoryService : public QObject {
    Q_OBJECT
  public:
    /// `profilePath` holds the settings; `dataDirectory` the default history and the spool (empty:
    /// record nothing); `settingsDirectory` COM.INI and the port mapping (the port of each event).
    HistoryService(QString profilePath, QString dataDirectory, QString settingsDirectory);
    ~HistoryService() override;

    /// (Re)reads the settings and installs a recorder for them; the previous one finishes first.
    void configure();
    bool recording() const { return m_recorder != nullptr; }
    /// Waits at most `budget` until the events recorded so far are stored or spooled (tests, exit).
    bool flush(std::chrono::milliseconds budget);
    /// The history the settings lead to now (what the window reads).
    HistoryTarget target() const;
    QString dataDirectory() const { return m_dataDirectory; }

    QString targetSetting() const;
    QString operatorSetting() const;
    /// Saves both settings and configures again.
    void saveSettings(const QString& target, const QString& operatorName);

  signals:
    /// The recorder's word, in the user-interface thread: `trouble` when events wait in the spool (or
    /// were lost), false when the store takes them again.
    void noticed(const QString& text, bool trouble);

  private:
    struct Gate;
    QString m_profilePath;
    QString m_dataDirectory;
    QString m_settingsDirectory;
    std::shared_ptr<Gate> m_gate;
    std::unique_ptr<HistoryRecorder> m_recorder;
};

}  // namespace vantrel
