// The description of one tuning procedure: everything a screen of the standard framework needs as data.
#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "operations/UserPrompt.h"
#include "screens/TScreenSession.h"
#include "screens/tuningDataSet.h"

namespace vantrel {

struct tuningProcedure;

/// Which frequency points a screen shows.
enum class screenLayoutKind {
    SevenPoint,   ///< one row per point F1..F7
    SingleValue,  ///< one row: one softpot for the whole radio, tuned at one chosen point
    /// Explicit rows, each a softpot of its own rather than a frequency point: every row is in use, a row
    /// has no slider and selects no channel, and keying is not tied to a row (the PA bias screens).
    SoftpotRows,
};

/// The point a single-value screen works at, chosen from the points of its side.
enum class singlePoint { Lowest, Middle, Highest };

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
    int headerY = 10;         ///< the column headers
    int defaultLabelX = 190;  ///< "Default Softpot"
    int defaultX = 200;       ///< default boxes
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

/// Creates the data set adapter of a procedure (called once per screen).
using dataSetMaker = std::unique_ptr<tuningDataSet> (*)(const tuningProcedure&);

/// One row of a screen: a frequency point or a named value, its record place, softpot and range.
struct tuningRow {
    /// recordRow of a row that has no place in the record: it starts at 0, shows no default value and is
    /// never stored.
    static constexpr int kNoRecord = -1;

    int point = 0;      ///< frequency point 1..7 of its side; 0 on a single-value screen: the chosen point
    std::string label;  ///< fixed text shown instead of the point's frequency ("DAC 1"); empty: frequency
    int recordRow = 0;  ///< record place of the value
    int recordColumn = 0;
    std::uint8_t softpot = 0;  ///< the radio's softpot number the row writes
    int minimum = 0;
    int maximum = 127;
    std::string button;  ///< text of a button of the row's own ("Auto Tune"); empty for none
    int buttonId = 0;
    int y = 0;  ///< the row's own y on screens whose rows are not evenly spaced; 0: 30 pixels per row
};

/// One procedure as data. Texts are the radio-tuner's own and are shown exactly as they stand; a text
/// left empty means the screen has no such message (no commit question, for instance). The screen's
/// code, title and help topic come from the shell's procedure catalogue, not from here.
struct tuningProcedure {
    dataSetMaker makeDataSet = nullptr;
    int selector = 0;          ///< set selector handed to the data set
    std::uint8_t softpot = 0;  ///< the radio's softpot number the screen writes

    int row = 0;               ///< record row of the values
    int firstColumn = 0;       ///< record column of F1 (or of the one value)
    bool receiveSide = false;  ///< points are the receive points (row 0, columns 14..20)
    screenCapabilities capabilities;

    int minimum = 0;
    int maximum = 127;

    screenLayout layout;
    singlePoint point = singlePoint::Highest;  ///< single-value screens only
    /// Explicit rows; empty: one row per point (seven-point) or the one chosen point (single-value), at
    /// `row` from `firstColumn` with the procedure's softpot and range.
    std::vector<tuningRow> rows;

    // Program.
    bool programChecksSerial = true;  ///< Program checks the serial number first
    bool checksMinimum = true;  ///< Program refuses values below the minimum too (else the maximum only)
    /// After a run that reached its end, every row's value goes to the record again, 0 for the rows
    /// without a point (the screens that store their whole set after the last point).
    bool storeAllAfterRun = false;
    /// Status while no point is prepared: after opening, and once Program's question is answered (the
    /// screens that never key). Empty: the keying status.
    std::string unpreparedStatus;
    /// After Program the current point's channels are selected again (else the last programmed point's
    /// stay selected).
    bool preparesAfterProgram = true;

    std::string note;            ///< shown under the controls
    std::string commitQuestion;  ///< asked before Program
    std::string illegalValue;    ///< Program found a value out of range (caption "ERROR")
    std::string emptyValue;      ///< Program found an empty box
    std::string emptyValueCaption = "NOTE";
    PromptIcon emptyValueIcon = PromptIcon::Information;
    /// Program refused by the radio or by the screen's own rule; "%d" stands for the point number.
    std::string refusedValue;
    std::string mismatch = "Serial No. mismatch!! Read in new radio?";
    /// Status shown when a point is prepared ("%f" for its frequency in MHz); empty keeps the status.
    std::string preparedStatus;
};

}  // namespace vantrel
