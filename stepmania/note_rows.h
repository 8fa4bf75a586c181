#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace stepquill::stepmania {

// The rows of a beat: a note's row is its place in 1/48 beats, a measure
// being 4 beats.
inline constexpr std::int64_t kRowsPerBeat = 48;
inline constexpr std::int64_t kRowsPerMeasure = 192;

// What a note character puts on its panel.
enum class NoteKind : std::uint8_t {
    None,      // "0" and every character without a meaning: erases nothing
    Tap,       // "1"
    HoldHead,  // "2", and "4", a roll, which is pressed the same way
    Tail,      // "3": ends a hold, is no note of its own
    Mine,      // "M"
    Keysound,  // "K"
    Lift,      // "L": judged when the panel is let go
    Fake,      // "F"
};

// The panels of dance-single, in the order a line writes them.
inline constexpr int kPanels = 4;

// Turns the text of a chart's notes, handed over in pieces as it is read,
// into its notes in file order: `sink.Note(row, panel, kind)` for every note
// character, with rows that never decrease.
// - Measures are separated by ","; ",," is one separator.
// - Lines end at LF only; a line is trimmed of CR, LF, TAB and SPACE and
//   an empty one does not count. Line l of the N lines of measure m lies on
//   row 192·m + 192·l/N rounded to the nearest whole row, ties to even, so
//   two lines of a measure of more than 192 can share a row.
// - A line's first four characters are its panels, left, down, up, right;
//   a "[...]" keysound index after any of them is passed over.
// - "//" up to and including the next LF is removed (only escapes can make
//   one here: the value reading removes the others).
// A measure's lines are held until its end, since their rows depend on how
// many there are; only lines with notes are kept, two words each.
template <typename Sink>
class NoteRows {
public:
    explicit NoteRows(Sink& sink) : sink_(sink) {}

    void Take(const char* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count;) {
            // Nearly every line of a chart is four plain characters and its
            // line end; such a line is taken whole, as the bytes one by one
            // would take it, only faster.
            if (!lineHasText_ && !inComment_ && !pendingSlash_) {
                const std::size_t plain = PlainLineBytes(bytes + i, count - i);
                if (plain != 0) {
                    TakePlainLine(bytes + i);
                    i += plain;
                    continue;
                }
            }
            TakeByte(bytes[i]);
            ++i;
        }
    }
    // The value reading trims a parameter whose ";" is missing; trailing
    // blanks change no row.
    void TrimEnd() {}

    // The notes after the last ",".
    void Finish() {
        if (pendingSlash_) {
            pendingSlash_ = false;
            TakeOrdinary('/');
        }
        EndLine();
        EndMeasure();
    }

private:
    struct NotedLine {
        std::int64_t Line;
        std::array<NoteKind, kPanels> Kinds;
    };

    static constexpr NoteKind KindOf(char c) {
        switch (c) {
            case '1': return NoteKind::Tap;
            case '2': case '4': return NoteKind::HoldHead;
            case '3': return NoteKind::Tail;
            case 'M': return NoteKind::Mine;
            case 'K': return NoteKind::Keysound;
            case 'L': return NoteKind::Lift;
            case 'F': return NoteKind::Fake;
            default: return NoteKind::None;
        }
    }

    // Each byte's kind, and kNotPlain for the bytes that may be more than a
    // panel: the lines taken whole look every byte up once.
    static constexpr std::uint8_t kNotPlain = 0x80;
    static constexpr std::array<std::uint8_t, 256> kByteClass = [] {
        std::array<std::uint8_t, 256> classes{};
        for (int byte = 0; byte < 256; ++byte)
            classes[static_cast<std::size_t>(byte)] = static_cast<std::uint8_t>(KindOf(static_cast<char>(byte)));
        for (char c : {',', '/', '[', '\n', '\r', ' ', '\t'})
            classes[static_cast<unsigned char>(c)] |= kNotPlain;
        return classes;
    }();

    // The length of the plain line at `bytes`, or 0 where `bytes` starts
    // no such line: four characters that are each one panel and nothing
    // else wherever they stand (no blank to trim, no line or measure end,
    // no comment, no keysound index), then LF or CR LF. A CR after the
    // fourth panel is passed over like any character after it.
    static std::size_t PlainLineBytes(const char* bytes, std::size_t count) {
        if (count < 5) return 0;
        const auto classOf = [&](std::size_t at) { return kByteClass[static_cast<unsigned char>(bytes[at])]; };
        if (((classOf(0) | classOf(1) | classOf(2) | classOf(3)) & kNotPlain) != 0) return 0;
        if (bytes[4] == '\n') return 5;
        if (count >= 6 && bytes[4] == '\r' && bytes[5] == '\n') return 6;
        return 0;
    }

    void TakePlainLine(const char* bytes) {
        pieceHasBytes_ = true;
        std::array<NoteKind, kPanels> kinds;
        bool hasNotes = false;
        for (std::size_t panel = 0; panel < kinds.size(); ++panel) {
            kinds[panel] = static_cast<NoteKind>(kByteClass[static_cast<unsigned char>(bytes[panel])]);
            hasNotes = hasNotes || kinds[panel] != NoteKind::None;
        }
        if (hasNotes) lines_.push_back({lineCount_, kinds});
        ++lineCount_;
    }

    void TakeByte(char c) {
        if (inComment_) {
            if (c == '\n') inComment_ = false;
            return;
        }
        if (pendingSlash_) {
            pendingSlash_ = false;
            if (c == '/') {
                inComment_ = true;
                return;
            }
            TakeOrdinary('/');
        }
        if (c == '/') {
            pendingSlash_ = true;
            return;
        }
        TakeOrdinary(c);
    }

    void TakeOrdinary(char c) {
        if (c == ',') {
            EndLine();
            EndMeasure();
            return;
        }
        pieceHasBytes_ = true;
        if (c == '\n') {
            EndLine();
            return;
        }
        if (!lineHasText_) {
            if (c == ' ' || c == '\t' || c == '\r') return;  // trimmed
            lineHasText_ = true;
        }
        if (inKeysound_) {
            inKeysound_ = c != ']';
            return;
        }
        if (c == '[' && afterPanel_) {
            inKeysound_ = true;
            afterPanel_ = false;
            return;
        }
        afterPanel_ = false;
        if (panel_ >= kPanels) return;
        const NoteKind kind = KindOf(c);
        if (kind != NoteKind::None) {
            kinds_[static_cast<std::size_t>(panel_)] = kind;
            lineHasNotes_ = true;
        }
        ++panel_;
        afterPanel_ = true;
    }

    void EndLine() {
        if (lineHasText_) {
            if (lineHasNotes_) lines_.push_back({lineCount_, kinds_});
            ++lineCount_;
        }
        lineHasText_ = lineHasNotes_ = inKeysound_ = afterPanel_ = false;
        panel_ = 0;
        kinds_.fill(NoteKind::None);
    }

    void EndMeasure() {
        if (!pieceHasBytes_) return;  // ",," is one separator
        const std::int64_t first = measure_ * kRowsPerMeasure;
        for (const NotedLine& line : lines_) {
            const std::int64_t row = first + RowInMeasure(line.Line, lineCount_);
            for (int panel = 0; panel < kPanels; ++panel)
                if (line.Kinds[static_cast<std::size_t>(panel)] != NoteKind::None)
                    sink_.Note(row, panel, line.Kinds[static_cast<std::size_t>(panel)]);
        }
        lines_.clear();
        lineCount_ = 0;
        pieceHasBytes_ = false;
        ++measure_;
    }

    // 192·line/lines to the nearest whole number, ties to even, exactly.
    static std::int64_t RowInMeasure(std::int64_t line, std::int64_t lines) {
        const std::int64_t whole = kRowsPerMeasure * line / lines;
        const std::int64_t rest = kRowsPerMeasure * line % lines;
        return 2 * rest > lines || (2 * rest == lines && whole % 2 == 1) ? whole + 1 : whole;
    }

    Sink& sink_;
    std::vector<NotedLine> lines_;
    std::array<NoteKind, kPanels> kinds_{};
    std::int64_t measure_ = 0;
    std::int64_t lineCount_ = 0;
    int panel_ = 0;
    bool pieceHasBytes_ = false;
    bool lineHasText_ = false;
    bool lineHasNotes_ = false;
    bool inKeysound_ = false;
    bool afterPanel_ = false;
    bool pendingSlash_ = false;
    bool inComment_ = false;
};

}  // namespace stepquill::stepmania
