// The recent-file list kept in Vantrel.ini, section "MRU".
#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

/// At most four file paths, newest first, stored as "Count" and "MRU0".."MRU3" in section "MRU" of the
/// profile file; "Default" stands for a missing entry.
class RecentFileList {
  public:
    static constexpr int kMaxEntries = 4;

    explicit RecentFileList(QString profilePath);
    /// Puts `path` first (moving it up when it is already listed) and saves the list.
    void add(const QString& path);
    /// Drops an entry that could not be opened again and saves the list.
    void remove(const QString& path);
    const QStringList& entries() const { return m_entries; }
    const QString& profilePath() const { return m_profilePath; }

  private:
    void load();
    void save() const;

    QString m_profilePath;
    QStringList m_entries;
};

}  // namespace vantrel
