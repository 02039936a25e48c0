// The MDI child that frames one screen (or one dropped text file) in the main window.
#pragma once

#include <QMdiSubWindow>

namespace vantrel {

/// Frames `client`, takes ownership of it and, with `fitToClient`, sizes itself to the client's size.
/// Caption: the base title, then " - " and the document name when there is one, then ":" and the view
/// index when it is above 0. Deletes itself (and its client) when closed.
class TVantrelMDIChild : public QMdiSubWindow {
  public:
    TVantrelMDIChild(QWidget* parent, const QString& title, QWidget* client, bool fitToClient = true);

    void setDocumentName(const QString& name);
    void setViewIndex(int index);
    static QString captionFor(const QString& title, const QString& documentName, int viewIndex);

  private:
    void updateCaption();

    QString m_title;
    QString m_documentName;
    int m_viewIndex = 0;
};

}  // namespace vantrel
