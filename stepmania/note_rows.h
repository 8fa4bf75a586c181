#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "note_event.h"

namespace stepquill::stepmania {

// A note's row is its place in 1/48 beats (kRowsPerBeat), a measure being
// 4 beats.
inline constexpr std::int64_t kRowsPerMeasure = 4 * kRowsPerBeat;

// What a note character puts on its panel.
enum class NoteKind : std::uint8_t {
    None,      // "0" and every character without a meaning: erases nothing
    Tap,       // "1"
    HoldHead,  // "2"
    RollHead,  // "4": pressed as a hold is, and tapped until its tail
    Tail,      // "3": ends a hold, is no note of its own
    Mine,      // "M"
    Keysound,  // "K"
    Lift,      // "L": judged when the panel is let go
    Fake,      // "F"
};

// The two heads differ in their lowest bit only, so one comparison tells them.
constexpr bool IsHead(NoteKind kind) {
    static_assert((static_cast<unsigned>(NoteKind::HoldHead) | 1u) == static_cast<unsigned>(NoteKind::RollHead));
    return (static_cast<unsigned>(kind) | 1u) == static_cast<unsigned>(NoteKind::RollHead);
}

// What a note character stands for.
constexpr NoteKind NoteKindOf(char c) {
    switch (c) {
        case '1': return NoteKind::Tap;
        case '2': return NoteKind::HoldHead;
        case '4': return NoteKind::RollHead;
        case '3': return NoteKind::Tail;
        case 'M': return NoteKind::Mine;
        case 'K': return NoteKind::Keysound;
        case 'L': return NoteKind::Lift;
        case 'F': return NoteKind::Fake;
        default: return NoteKind::None;
    }
}

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
    static constexpr bool kKeepsText = true;
    explicit NoteRows(Sink& sink) : sink_(sink) {}

    void Take(const char* bytes, std::size_t count) {
        std::size_t i = 0;
        while (i < count) {
            // Nearly every line is four note characters and its line end,
            // and most are "0000": such lines are taken a word at a time,
            // the others byte by byte.
            if (AtLineStart()) {
                while (count - i >= 8) {
                    std::uint64_t word;
                    std::memcpy(&word, bytes + i, sizeof word);
                    const std::size_t taken = TakePlainLine(word);
                    if (taken == 0) break;
                    i += taken;
                }
                if (i == count) break;
            }
            TakeByte(bytes[i++]);
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
    // A line with notes: the kind of panel p in byte p of Kinds.
    struct NotedLine {
        std::int64_t Line;
        std::uint32_t Kinds;
    };

    bool AtLineStart() const {
        return !lineHasText_ && !inComment_ && !pendingSlash_;
    }

    // A line of four characters that each stand for a panel alone (no
    // blank, no "[", no "/", no ",") and a line end, LF or CR LF, at the
    // start of `word` (its first eight bytes, in memory order): taken whole,
    // returning its length; 0 for any other line.
    std::size_t TakePlainLine(std::uint64_t word) {
        // Read as a number, the word's first byte is its lowest on every
        // machine this is built for; elsewhere the byte-by-byte rules serve.
        if constexpr (std::endian::native != std::endian::little) return 0;
        if ((word & 0xFF'FF'FF'FF'FFu) == kEmptyLf) {
            pieceHasBytes_ = true;
            ++lineCount_;
            return 5;
        }
        if ((word & 0xFF'FF'FF'FF'FF'FFu) == kEmptyCrLf) {
            pieceHasBytes_ = true;
            ++lineCount_;
            return 6;
        }
        std::size_t length = 5;
        const auto fifth = static_cast<std::uint8_t>(word >> 32);
        if (fifth != '\n') {
            if (fifth != '\r' || static_cast<std::uint8_t>(word >> 40) != '\n') return 0;
            length = 6;
        }
        const std::uint32_t kinds = kPlain[word & 0xFF] | std::uint32_t{kPlain[(word >> 8) & 0xFF]} << 8 |
                                    std::uint32_t{kPlain[(word >> 16) & 0xFF]} << 16 |
                                    std::uint32_t{kPlain[(word >> 24) & 0xFF]} << 24;
        if (kinds & kNotPlainInAnyByte) return 0;
        pieceHasBytes_ = true;
        if (kinds != 0) lines_.push_back({lineCount_, kinds});
        ++lineCount_;
        return length;
    }

    // "0000" and its line end, as the first bytes of a word.
    static constexpr std::uint64_t kEmptyLf = 0x0A'30'30'30'30u;
    static constexpr std::uint64_t kEmptyCrLf = 0x0A'0D'30'30'30'30u;
    static constexpr std::uint32_t kNotPlainInAnyByte = 0x80'80'80'80u;

    // The kind of each byte as a panel character, or kNotPlain for a byte
    // that needs the full rules.
    static constexpr std::uint8_t kNotPlain = 0x80;
    static constexpr std::array<std::uint8_t, 256> kPlain = [] {
        std::array<std::uint8_t, 256> table{};
        for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(NoteKindOf(static_cast<char>(c)));
        for (char c : {' ', '\t', '\r', '\n', ',', '[', '/'}) table[static_cast<unsigned char>(c)] = kNotPlain;
        return table;
    }();


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
        const NoteKind kind = NoteKindOf(c);
        if (kind != NoteKind::None) {
            kinds_[static_cast<std::size_t>(panel_)] = kind;
            lineHasNotes_ = true;
        }
        ++panel_;
        afterPanel_ = true;
    }

    void EndLine() {
        if (lineHasText_) {
            if (lineHasNotes_) lines_.push_back({lineCount_, KindsWord()});
            ++lineCount_;
        }
        lineHasText_ = lineHasNotes_ = inKeysound_ = afterPanel_ = false;
        panel_ = 0;
        kinds_.fill(NoteKind::None);
    }

    void EndMeasure() {
        if (!pieceHasBytes_) return;  // ",," is one separator
        const std::int64_t first = measure_ * kRowsPerMeasure;
        // Nearly every measure has a number of lines that divides 192, whose
        // rows are exact multiples: no division per line.
        const std::int64_t rowsPerLine =
            lineCount_ > 0 && kRowsPerMeasure % lineCount_ == 0 ? kRowsPerMeasure / lineCount_ : 0;
        for (const NotedLine& line : lines_) {
            const std::int64_t row =
                first + (rowsPerLine != 0 ? line.Line * rowsPerLine : RowInMeasure(line.Line, lineCount_));
            // The panels with a note, in order.
            for (std::uint32_t kinds = line.Kinds; kinds != 0;) {
                const int panel = std::countr_zero(kinds) / 8;
                sink_.Note(row, panel, NoteKind(kinds >> (8 * panel) & 0xFF));
                kinds &= ~(0xFFu << (8 * panel));
            }
        }
        lines_.clear();
        lineCount_ = 0;
        pieceHasBytes_ = false;
        ++measure_;
    }

    std::uint32_t KindsWord() const {
        std::uint32_t word = 0;
        for (int panel = 0; panel < kPanels; ++panel)
            word |= static_cast<std::uint32_t>(kinds_[static_cast<std::size_t>(panel)]) << (8 * panel);
        return word;
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
