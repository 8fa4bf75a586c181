#pragma once

#include <istream>
#include <string>

namespace stepquill {

// Sequential reading of a chart's bytes as lines or fields. A line ends at
// CR LF, CR or LF; the terminator belongs to no line. A UTF-8 byte-order mark
// at the very start is skipped. Reading at the end of the chart fails.
class ChartStream {
public:
    explicit ChartStream(std::istream& input);

    // False when no unread character remained.
    bool ReadLine(std::string& line);
    // Blanks before the field are skipped; a field in double quotes keeps its
    // commas; otherwise it ends at a comma or a line end, which is consumed.
    bool ReadField(std::string& field);
    bool AtEnd();

private:
    void SkipLineEnd(int terminator);
    std::streambuf& buffer_;
};

}  // namespace stepquill
