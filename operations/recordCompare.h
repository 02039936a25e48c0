// Comparison of two radio records: identity, frequency points and every archived softpot value.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace vantrel {

class radioStorage;

/// One difference between record A and record B.
struct RecordDifference {
    enum class Kind {
        Identity,  ///< serial number, model number, data version, tuning procedure
        Point,     ///< a frequency point or the base frequency
        Value,     ///< a softpot value of a data set both records hold
        OnlyInA,   ///< a data set whose support flag only A has
        OnlyInB,   ///< a data set whose support flag only B has
    };
    Kind kind = Kind::Value;
    std::string subject;  ///< "Transmit High Power F3", "RSSI", "Serial Number"
    std::string a;        ///< A's value as shown; empty for OnlyInA and OnlyInB
    std::string b;
    int row = -1;  ///< the value's place in the record, -1 when it has none (identity, whole sets)
    int column = -1;
    int flag = 0;  ///< the support flag of the data set, 0 when none

    /// "Transmit High Power F3: 104 -> 110", "RSSI: only in B".
    std::string line() const;
};

/// One run of values of a data set, compared one by one ("Transmit High Power" F1..F7).
struct ComparedValues {
    const char* name;
    int flag;  ///< the data set's support flag, 0 for values every record holds
    int row;
    int firstColumn;
    int count;
    int stride;  ///< columns between two values (2 for the interleaved K and M of mobiles)
    enum class Labels { None, Points, Numbers } labels;  ///< "", " F1".." F7", " 1".." N"
};

/// A data set as a whole: the name its support flag goes by in "only in" lines.
struct ComparedSet {
    int flag;
    const char* name;
};

/// Compares two records. Nothing is changed; the records are only read.
class recordCompare {
  public:
    /// Every difference, identity first, then the frequency points, then the data sets in archive order.
    static std::vector<RecordDifference> differences(const radioStorage& a, const radioStorage& b);
    /// The differences as plain-text lines; empty when the records hold the same data.
    static std::vector<std::string> lines(const radioStorage& a, const radioStorage& b);

    /// The values compared, in archive order.
    static std::span<const ComparedValues> comparedValues();
    /// The data sets whose presence is compared, one per archived support flag.
    static std::span<const ComparedSet> comparedSets();
};

}  // namespace vantrel
