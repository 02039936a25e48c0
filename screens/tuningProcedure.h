// The description of one tuning procedure as a screen uses it: the core description plus its pixel layout.
#pragma once

#include <QRect>
#include <QSize>

#include "operations/procedurePiece.h"
#include "operations/procedureRules.h"
#include "screens/TScreenSession.h"

namespace vantrel {

/// Pixel geometry of a screen (logical pixels; the platform scales them on high-density screens).
struct screenLayout {
    screenLayoutKind kind = screenLayoutKind::SevenPoint;
    QSize window{700, 350};
    int buttonY = 240;  ///< "PTT Toggle" at x 20 and "Program" at x 130, 100 x 30
    QRect status{20, 280, 600, 30};
    int statusId = 8000;
    int noteY = 320;
    int workingLabelX = 550;                           ///< "Working Softpot"
    int workingWidth = 60;                             ///< working box and its up-down together
    const char* firstHeader = "Frequency Point(MHz)";  ///< over the first column ("DAC No." on the DAC
                                                       ///< screen); nullptr for none
    int headerY = 10;                                  ///< the column headers
    int defaultLabelX = 190;                           ///< "Default Softpot"
    int defaultX = 200;                                ///< default boxes
    int defaultWidth = 40;
    int workingX = 560;  ///< working boxes
    int rowHeight = 20;
    int rowButtonX = 0;       ///< left edge of the rows' own buttons; 0: just right of the working box
    int rowButtonWidth = 70;  ///< their width (height: the row's)

    /// The standard seven-point screen.
    static screenLayout sevenPoint() { return {}; }
    /// One row at y 30, note at y 250 in a 700 x 300 window; buttons and status box where the signalling
    /// screens have them.
    static screenLayout singleValue() {
        screenLayout l;
        l.kind = screenLayoutKind::SingleValue;
        l.window = QSize(700, 300);
        l.buttonY = 150;
        l.status = QRect(10, 200, 600, 40);
        l.statusId = 4016;
        l.noteY = 250;
        l.workingLabelX = 560;
        return l;
    }
};

/// One procedure as a screen shows it: the core description and where its controls stand. The screen's
/// code, title and help topic come from the shell's procedure catalogue, and its radio steps from the
/// catalogue's piece, not from here.
struct tuningProcedure : procedureRules {
    screenLayout layout;

    /// A core description with the layout its screen shows it in (the layout follows the rules' rows).
    static tuningProcedure from(procedureRules rules, screenLayout layout) {
        tuningProcedure p;
        static_cast<procedureRules&>(p) = std::move(rules);
        p.layout = layout;
        p.layout.kind = p.kind;
        return p;
    }
};

}  // namespace vantrel
