#include "step_line_pieces.h"

namespace stepquill {

namespace {

// The last place in `text`, after its first byte and before its last one,
// where it may be cut, and the marker the rest then begins with. The scan
// follows the walk's reading: a "!" hides the byte after it, a chord runs
// from "<" to ">" and holds no note-length marker, and a closing marker
// brings back the line's default length, which needs no marker.
bool LastCut(std::string_view text, std::size_t& cut, char& marker) {
    bool found = false;
    bool inChord = false;
    bool hidden = false;
    char length = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (hidden) {
            hidden = false;
        } else if (c == '!') {
            hidden = true;
        } else if (inChord) {
            inChord = c != '>';
        } else if (c == '<') {
            inChord = true;
        } else if (c == '(' || c == '[' || c == '{' || c == '`') {
            length = c;
        } else if (c == ')' || c == ']' || c == '}' || c == '\'') {
            length = 0;
        }
        if (!inChord && !hidden) {
            found = true;
            cut = i + 1;
            marker = length;
        }
    }
    return found;
}

}  // namespace

StepLinePieces::Result StepLinePieces::Next(std::string_view& text) {
    if (carry_)
        spare_.replace(0, walked_, marker_ == 0 ? 0 : 1, marker_);
    else
        spare_.clear();
    carry_ = false;
    for (;;) {
        bool lineEnds = false;
        std::string_view part;
        if (!chart_.ReadLinePart(part, spare_, kStepPieceBytes, lineEnds)) return Result::End;
        if (lineEnds) {
            text = part;
            return Result::Text;
        }
        if (LastCut(part, walked_, marker_)) {
            carry_ = true;
            text = part.substr(0, walked_);
            return Result::Text;
        }
        // Nowhere to cut yet: a chord as long as the piece. Read on.
        if (spare_.size() > kLongestChordBytes) return Result::ChordTooLong;
    }
}

}  // namespace stepquill
