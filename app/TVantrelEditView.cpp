// The dropped-file text view.
#include "app/TVantrelEditView.h"

#include <QFile>
#include <QFontDatabase>

namespace vantrel {

namespace {
/// Larger files are shown cut: a text view is no place for megabytes of binary data.
constexpr qint64 kMaxShownBytes = 4 * 1024 * 1024;
}  // namespace

TVantrelEditView::TVantrelEditView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("TVantrelEditView"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(640, 420);
}

bool TVantrelEditView::load(const QString& path) {
    m_path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clear();
        return false;
    }
    setPlainText(QString::fromLocal8Bit(file.read(kMaxShownBytes)));
    return true;
}

}  // namespace vantrel
