// The tuning report: a plain-text listing of every softpot of the record, by procedure, with frequencies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/writeFileAtomically.h"
#include "radio/RF_Frequency.h"

namespace vantrel {

class radioStorage;

/// Builds the report text of one record ("display.txt", printed or previewed by the application).
/// Numbers are formatted without regard to the process locale ('.' as decimal point). The record must
/// outlive the writer; it is only read.
///
/// With a record to compare against (showBefore) every value line gains a "Before" column with that
/// record's value, a value that differs is marked with kChangedMark, and the head lists the identity,
/// frequency point and data set differences. Without one the report is the plain listing.
class tuningReport {
  public:
    /// The file the printing commands write and load.
    static constexpr std::string_view kDefaultFileName = "display.txt";
    /// Follows a "Before" value that differs from the record's own.
    static constexpr std::string_view kChangedMark = " *";
    /// The "Before" value of a data set the earlier record does not hold.
    static constexpr std::string_view kNotHeld = "----";

    explicit tuningReport(const radioStorage& record);

    /// Adds the "Before" column from `before` (named `label` in the head); the record itself is the
    /// "after". `before` must outlive the writer; it is only read.
    void showBefore(const radioStorage& before, std::string label);

    /// The whole report, every block in order.
    std::string text();

    /// (Re)creates `path` with the report. Answers false when the file cannot be written; a previous file
    /// of that name is then left as it was.
    FileWriteResult write(const std::string& path = std::string(kDefaultFileName));

  private:
    enum class Side { Transmit, Receive };

    /// One table of the seven points of one procedure (or its unsupported line).
    struct TableBlock {
        const char* title;
        const char* unsupportedTitle;  ///< nullptr: nothing printed when the condition fails
        const char* range;             ///< e.g. "0-127"
        Side side;
        int row;
        int firstColumn;
        const char* firstMissing = nullptr;  ///< text of a missing F1 when it differs from the others
    };

    void titleLine(const char* title);
    void rangeLines(const char* range);
    void header();
    void table(bool condition, const TableBlock& block);
    void single(bool condition, const char* title, const char* unsupportedTitle, const char* range,
                std::uint32_t channel, int row, int column);
    void rssi();
    void dacAndKm();
    void paBias();
    void battery();

    /// The head's lines naming both records and their differences other than values.
    void beforeHead();
    /// The column header of the "Before" column ("" without an earlier record).
    std::string beforeTitle(const char* gap, const char* title = "Before") const;
    /// The earlier record's value of one cell after `gap`, marked when it differs ("" without one).
    std::string beforeValue(const char* gap, int row, int column) const;
    /// Whether the earlier record holds the data set a cell belongs to.
    bool beforeHolds(int row, int column) const;

    std::uint32_t channelAt(Side side, int point) const;
    double frequencyOf(std::uint32_t channel);
    bool supported(int flagIndex) const;
    std::int32_t value(int row, int column) const;

    const radioStorage& m_record;
    const radioStorage* m_before = nullptr;
    std::string m_beforeLabel;
    RF_Frequency m_frequency;
    std::uint32_t m_base = 0;
    std::string m_out;
};

}  // namespace vantrel
