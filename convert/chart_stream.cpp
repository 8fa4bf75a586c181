#include "chart_stream.h"

namespace stepquill {

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

}  // namespace

ChartStream::ChartStream(std::istream& input) : buffer_(*input.rdbuf()) {
    // Skip a UTF-8 byte-order mark; anything else at the start is kept.
    if (buffer_.sgetc() != 0xEF) return;
    buffer_.sbumpc();
    if (buffer_.sgetc() == 0xBB) {
        buffer_.sbumpc();
        if (buffer_.sgetc() == 0xBF) {
            buffer_.sbumpc();
            return;
        }
        buffer_.sungetc();
    }
    buffer_.sungetc();
}

bool ChartStream::AtEnd() { return buffer_.sgetc() == kEnd; }

void ChartStream::SkipLineEnd(int terminator) {
    if (terminator == '\r' && buffer_.sgetc() == '\n') buffer_.sbumpc();
}

bool ChartStream::ReadLine(std::string& line) {
    line.clear();
    if (AtEnd()) return false;
    for (int c = buffer_.sbumpc(); c != kEnd; c = buffer_.sbumpc()) {
        if (c == '\r' || c == '\n') {
            SkipLineEnd(c);
            return true;
        }
        line += static_cast<char>(c);
    }
    return true;
}

bool ChartStream::ReadField(std::string& field) {
    field.clear();
    if (AtEnd()) return false;
    int c = buffer_.sgetc();
    while (c == ' ' || c == '\t') {
        buffer_.sbumpc();
        c = buffer_.sgetc();
    }
    bool quoted = c == '"';
    if (quoted) {
        buffer_.sbumpc();
        for (c = buffer_.sbumpc(); c != kEnd && c != '"'; c = buffer_.sbumpc())
            field += static_cast<char>(c);
    }
    // Up to the comma or line end; after a quoted field what follows the
    // closing quote is passed over.
    for (c = buffer_.sbumpc(); c != kEnd; c = buffer_.sbumpc()) {
        if (c == ',') return true;
        if (c == '\r' || c == '\n') {
            SkipLineEnd(c);
            return true;
        }
        if (!quoted) field += static_cast<char>(c);
    }
    return true;
}

}  // namespace stepquill
