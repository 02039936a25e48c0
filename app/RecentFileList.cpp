// The recent-file list in the profile file.
#include "app/RecentFileList.h"

#include <QSettings>

namespace vantrel {

namespace {
const QString kSection = QStringLiteral("MRU");
const QString kCount = QStringLiteral("Count");
const QString kMissing = QStringLiteral("Default");
QString entryKey(int index) {
    return QStringLiteral("%1%2").arg(kSection).arg(index);
}
}  // namespace

RecentFileList::RecentFileList(QString profilePath) : m_profilePath(std::move(profilePath)) {
    load();
}

void RecentFileList::load() {
    QSettings ini(m_profilePath, QSettings::IniFormat);
    ini.beginGroup(kSection);
    int count = std::clamp(ini.value(kCount, 0).toInt(), 0, kMaxEntries);
    for (int i = 0; i < count; ++i) {
        QString entry = ini.value(entryKey(i), kMissing).toString();
        if (entry != kMissing && !entry.isEmpty() && !m_entries.contains(entry))
            m_entries << entry;
    }
}

void RecentFileList::save() const {
    QSettings ini(m_profilePath, QSettings::IniFormat);
    ini.remove(kSection);
    ini.beginGroup(kSection);
    ini.setValue(kCount, int(m_entries.size()));
    for (int i = 0; i < m_entries.size(); ++i) ini.setValue(entryKey(i), m_entries[i]);
}

void RecentFileList::add(const QString& path) {
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > kMaxEntries) m_entries.removeLast();
    save();
}

void RecentFileList::remove(const QString& path) {
    if (m_entries.removeAll(path) > 0)
        save();
}

}  // namespace vantrel
