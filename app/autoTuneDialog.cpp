// The auto-tune wait box.
#include "app/autoTuneDialog.h"

#include <QFrame>
#include <QLabel>

#include "app/DialogUnits.h"

namespace vantrel {

autoTuneDialog::autoTuneDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Please Wait.... Auto Tuning...."));
    setObjectName(QStringLiteral("autoTuneDialog"));
    // Nothing to press: the box goes away when the screen ends the run.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    DialogUnits du(*this);
    setFixedSize(du.size(240, 40));
    if (parent)
        move(parent->mapToGlobal(du.rect(100, 50, 0, 0).topLeft()));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(du.rect(6, 6, 228, 28));
    auto* text = new QLabel(QStringLiteral("Please wait.... Currently radio is Auto Tuning..."), this);
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(du.rect(8, 14, 224, 12));
    setCursor(Qt::WaitCursor);
}

}  // namespace vantrel
