// A plain text view of a file dropped on the main window.
#pragma once

#include <QPlainTextEdit>

namespace vantrel {

/// Shows one text file read-only in a fixed-pitch face (report files and archives line up that way).
class TVantrelEditView : public QPlainTextEdit {
  public:
    explicit TVantrelEditView(QWidget* parent = nullptr);
    /// Loads the file; false (and an empty view) when it cannot be read.
    bool load(const QString& path);
    const QString& path() const { return m_path; }

  private:
    QString m_path;
};

}  // namespace vantrel
