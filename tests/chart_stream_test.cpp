// Reading a chart's bytes as lines and fields.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "chart_stream.h"

namespace stepquill {
namespace {

// Each line is read twice, as a copy and as a view, which must agree.
std::vector<std::string> AllLines(const std::string& text) {
    std::istringstream input(text);
    std::istringstream again(text);
    ChartStream chart(input);
    ChartStream viewed(again);
    std::vector<std::string> lines;
    std::string line;
    std::string_view view;
    std::string spare;
    while (chart.ReadLine(line)) {
        EXPECT_TRUE(viewed.ReadLine(view, spare));
        EXPECT_EQ(view, line);
        lines.push_back(line);
        if (lines.size() > 100) break;
    }
    if (lines.size() <= 100) {
        EXPECT_FALSE(viewed.ReadLine(view, spare));
    }
    return lines;
}

std::vector<std::string> AllFields(const std::string& text) {
    std::istringstream input(text);
    ChartStream chart(input);
    std::vector<std::string> fields;
    std::string field;
    while (chart.ReadField(field)) {
        fields.push_back(field);
        if (fields.size() > 100) break;
    }
    return fields;
}

struct StreamCase {
    std::string text;
    std::vector<std::string> expected;
};

TEST(ChartStreamReadLine, EndsLinesAtCrLfCrOrLf) {
    const StreamCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"\n", {""}},
        {"x, y:\"z\"\r\n", {"x, y:\"z\""}},
        {" \t8 \r\n", {" \t8 "}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"\xE9t\xE9\n", {"\xE9t\xE9"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AllLines(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

// The fields a reading looks for tags in: the next field that begins with
// "#", a blank or a quote, or is empty, the others passed over unread.
std::vector<std::string> WantedFields(const std::string& text) {
    std::istringstream input(text);
    ChartStream chart(input);
    std::vector<std::string> fields;
    std::string field;
    while (chart.ReadFieldBeginningWith('#', field)) {
        fields.push_back(field);
        if (fields.size() > 100) break;
    }
    return fields;
}

// One field rule for both readers: ReadField gives every field, and the
// reading that passes over fields gives the same ones but those marked "-",
// which begin with none of the bytes it looks for. A field after each case,
// short or long, leaves the case to the pass a byte at a time or puts all of
// it in reach of the pass over sixteen bytes at a time.
TEST(ChartStreamFields, BothReadersFollowOneFieldRule) {
    const struct {
        std::string text;
        std::vector<std::string> fields;
        const char* wanted;  // per field: "+" also given when passing over fields
    } cases[] = {
        {"", {}, ""},
        {"#TITLE:Song;\r\n#ARTIST:Band;\r\n", {"#TITLE:Song;", "#ARTIST:Band;"}, "++"},
        {"#TITLE:Hello, World;\r\n", {"#TITLE:Hello", "World;"}, "++"},
        {"a,b,c\n", {"a", "b", "c"}, "---"},
        {"a,,b\n", {"a", "", "b"}, "-+-"},
        {"a,\nb\n", {"a", "", "b"}, "-+-"},
        {"   \t#BPM:150;\n", {"#BPM:150;"}, "+"},
        {"a, \tb\n", {"a", "b"}, "-+"},
        {"a \n", {"a "}, "-"},
        {"a\n\nb\n", {"a", "", "b"}, "-+-"},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}, "-+-"},
        {"a\rb\r", {"a", "b"}, "--"},
        // A CR before an LF ends one field with it; before anything else it
        // ends a field alone.
        {"x\r\n#a\r#b\r\ny\r,z\n", {"x", "#a", "#b", "y", "", "z"}, "-++-+-"},
        {"\"x,y:z\",w\n", {"x,y:z", "w"}, "+-"},
        {"\"x,y\" junk, more\nnext\n", {"x,y", "more", "next"}, "++-"},
        {"\"quoted\" rest\nnext\n", {"quoted", "next"}, "+-"},
        {"  \"q\"\n", {"q"}, "+"},
        {"ab\"c,d\"\n", {"ab\"c", "d\""}, "--"},
        {"#SINGLE:BASIC:5:0000,2000;\n", {"#SINGLE:BASIC:5:0000", "2000;"}, "+-"},
        // Bytes below "$" and from 0x80 up may begin a wanted field for the
        // sixteen-byte pass, which looks at them again.
        {"x,!y,\x01z,\xE9t,$u,#v\n", {"x", "!y", "\x01z", "\xE9t", "$u", "#v"}, "-----+"},
        {"xxxxxxxxxxxxxxx,#y,zzzzzzzzzzzzzzzz\n#w\n", {"xxxxxxxxxxxxxxx", "#y", "zzzzzzzzzzzzzzzz", "#w"}, "-+-+"},
    };
    for (const std::string& after : {std::string("#E"), "#E" + std::string(20, '.')}) {
        for (const auto& c : cases) {
            ASSERT_EQ(std::string(c.wanted).size(), c.fields.size()) << c.text;
            std::vector<std::string> fields = c.fields;
            std::vector<std::string> wanted;
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (c.wanted[i] == '+') wanted.push_back(fields[i]);
            fields.push_back(after);
            wanted.push_back(after);
            EXPECT_EQ(AllFields(c.text + after + "\n"), fields) << "text: \"" << c.text << "\"";
            EXPECT_EQ(WantedFields(c.text + after + "\n"), wanted) << "text: \"" << c.text << "\"";
        }
    }
    // Fields passed over up to the chart's end end it with an empty one.
    EXPECT_EQ(WantedFields("#A\nx,y\n"), (std::vector<std::string>{"#A", ""}));
}

TEST(ChartStream, LinesAndFieldsShareOnePosition) {
    std::istringstream input("a,b\nc\nd,e\n");
    ChartStream chart(input);
    std::string text;
    ASSERT_TRUE(chart.ReadField(text));
    EXPECT_EQ(text, "a");
    ASSERT_TRUE(chart.ReadLine(text));
    EXPECT_EQ(text, "b");
    ASSERT_TRUE(chart.ReadLine(text));
    EXPECT_EQ(text, "c");
    ASSERT_TRUE(chart.ReadField(text));
    EXPECT_EQ(text, "d");
    ASSERT_TRUE(chart.ReadField(text));
    EXPECT_EQ(text, "e");
    EXPECT_TRUE(chart.AtEnd());
}

TEST(ChartStream, AtEndOnlyWhenNoCharacterRemains) {
    struct EndCase {
        const char* text;
        int linesBeforeEnd;
    };
    const EndCase cases[] = {
        {"abc", 1}, {"abc\r\n", 1}, {"abc\r", 1}, {"abc\n", 1}, {"abc\r\n\r\n", 2}, {"a\nb", 2},
    };
    for (const auto& c : cases) {
        std::istringstream input(c.text);
        ChartStream chart(input);
        std::string line;
        for (int i = 0; i < c.linesBeforeEnd; ++i) {
            EXPECT_FALSE(chart.AtEnd()) << c.text << " before line " << i;
            EXPECT_TRUE(chart.ReadLine(line)) << c.text << " line " << i;
        }
        EXPECT_TRUE(chart.AtEnd()) << c.text;
    }
}

TEST(ChartStream, ReadingAtTheEndFails) {
    std::istringstream empty("");
    ChartStream emptyChart(empty);
    std::string text = "unchanged";
    EXPECT_TRUE(emptyChart.AtEnd());
    EXPECT_FALSE(emptyChart.ReadLine(text));
    EXPECT_FALSE(emptyChart.ReadField(text));

    std::istringstream input("only\r\n");
    ChartStream chart(input);
    ASSERT_TRUE(chart.ReadLine(text));
    EXPECT_FALSE(chart.ReadLine(text));
    EXPECT_FALSE(chart.ReadField(text));
    EXPECT_FALSE(chart.ReadLine(text));
}

// A source that gives one byte a read, as a pipe may.
class OneByteAtATime final : public ChartSource {
public:
    explicit OneByteAtATime(std::string bytes) : rest_(std::move(bytes)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t) override {
        if (rest_.empty()) return 0;
        buffer[0] = rest_[0];
        rest_.erase(0, 1);
        return 1;
    }

private:
    std::string rest_;
};

TEST(ChartStream, SkipsAByteOrderMarkAtTheStartOnly) {
    EXPECT_EQ(AllLines("\xEF\xBB\xBF#TITLE:Song;\r\nx"),
              (std::vector<std::string>{"#TITLE:Song;", "x"}));
    EXPECT_EQ(AllFields("\xEF\xBB\xBF#TITLE:Song;\r\n"), (std::vector<std::string>{"#TITLE:Song;"}));
    EXPECT_EQ(AllLines("a\n\xEF\xBB\xBF" "b\n"), (std::vector<std::string>{"a", "\xEF\xBB\xBF" "b"}));
    // Only the three bytes together form the mark.
    EXPECT_EQ(AllLines("\xEF\xBB" "c\n"), (std::vector<std::string>{"\xEF\xBB" "c"}));

    for (const auto& [text, first] : {std::pair{"\xEF\xBB\xBF#TITLE:Song;\r\n", "#TITLE:Song;"},
                                      std::pair{"\xEF\xBB" "c\n", "\xEF\xBB" "c"}}) {
        OneByteAtATime source(text);
        ChartStream slow(source);
        std::string line;
        EXPECT_TRUE(slow.ReadLine(line));
        EXPECT_EQ(line, first);
    }

    std::istringstream onlyMark("\xEF\xBB\xBF");
    ChartStream chart(onlyMark);
    std::string line;
    EXPECT_TRUE(chart.AtEnd());
    EXPECT_FALSE(chart.ReadLine(line));
}

// The chart is taken in blocks of 64 KiB; lines, fields, quotes and CR LF
// pairs that straddle two blocks must read as if the chart were one piece.
TEST(ChartStream, ReadsAcrossItsBlocks) {
    constexpr std::size_t kBlock = 64 * 1024;
    const std::string longLine(3 * kBlock + 5, '8');
    EXPECT_EQ(AllLines(longLine + "\r\nnext"), (std::vector<std::string>{longLine, "next"}));
    for (std::size_t before : {kBlock - 2, kBlock - 1, kBlock}) {
        const std::string head(before, '0');
        EXPECT_EQ(AllLines(head + "\r\nx\r\n"), (std::vector<std::string>{head, "x"})) << before;
        EXPECT_EQ(AllLines(head + "\n\rx"), (std::vector<std::string>{head, "", "x"})) << before;
        EXPECT_EQ(AllFields(head + ",a\r\n\"q,\r\n\" b,c"),
                  (std::vector<std::string>{head, "a", "q,\r\n", "c"})) << before;
    }
}

// Line ends and commas are looked for eight bytes at a time; every byte value
// other than the stops, at every place in a word, must be passed over.
TEST(ChartStream, FindsStopsAfterAnyOtherBytes) {
    for (int value = 0; value < 256; ++value) {
        const char c = static_cast<char>(value);
        if (c == '\r' || c == '\n' || c == ',' || c == '"' || c == ' ' || c == '\t') continue;
        for (std::size_t length : {1u, 7u, 8u, 9u, 17u}) {
            const std::string run(length, c);
            EXPECT_EQ(AllLines(run + "\r\n" + run), (std::vector<std::string>{run, run})) << value;
            EXPECT_EQ(AllFields(run + "," + run + "\n"), (std::vector<std::string>{run, run})) << value;
        }
    }
}

TEST(ChartStream, HandsUnreadBytesBackToTheInput) {
    std::istringstream input(std::string(70000, '2') + "\nsecond\nthird\n");
    std::string line;
    {
        ChartStream chart(input);
        ASSERT_TRUE(chart.ReadLine(line));
        ASSERT_TRUE(chart.ReadLine(line));
        EXPECT_EQ(line, "second");
    }
    ChartStream rest(input);
    ASSERT_TRUE(rest.ReadLine(line));
    EXPECT_EQ(line, "third");
    EXPECT_TRUE(rest.AtEnd());
}

}  // namespace
}  // namespace stepquill
