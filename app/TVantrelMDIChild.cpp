// The MDI child frame.
#include "app/TVantrelMDIChild.h"

#include "app/AppIcons.h"

namespace vantrel {

TVantrelMDIChild::TVantrelMDIChild(QWidget* parent, const QString& title, QWidget* client, bool fitToClient)
    : QMdiSubWindow(parent), m_title(title) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(applicationIcon());
    setWidget(client);
    if (fitToClient) {
        QSize want = client->size().expandedTo(client->sizeHint());
        resize(want + (size() - contentsRect().size()));
    }
    updateCaption();
}

QString TVantrelMDIChild::captionFor(const QString& title, const QString& documentName, int viewIndex) {
    QString caption = title;
    if (!documentName.isEmpty())
        caption += QStringLiteral(" - ") + documentName;
    if (viewIndex > 0)
        caption += QStringLiteral(":%1").arg(viewIndex);
    return caption;
}

void TVantrelMDIChild::setDocumentName(const QString& name) {
    m_documentName = name;
    updateCaption();
}

void TVantrelMDIChild::setViewIndex(int index) {
    m_viewIndex = index;
    updateCaption();
}

void TVantrelMDIChild::updateCaption() {
    setWindowTitle(captionFor(m_title, m_documentName, m_viewIndex));
}

}  // namespace vantrel
