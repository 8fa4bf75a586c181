#include "many_parts_maker.h"

#include <array>
#include <string_view>

namespace stepquill::bench {

void WriteManyPartsDwi(std::ostream& out, std::uint64_t parts) {
    constexpr std::array<std::string_view, 5> kNames = {"BEGINNER", "BASIC", "ANOTHER", "MANIAC", "SMANIAC"};
    out << "#TITLE:Many parts;\r\n#ARTIST:Bench;\r\n#BPM:150;\r\n#GAP:0;\r\n#CHANGEBPM:16.000=180.000;\r\n"
           "#FREEZE:8.000=250.000;\r\n";
    for (std::uint64_t i = 0; i < parts; ++i)
        out << "#SINGLE:" << kNames[i % kNames.size()] << ':' << 1 + i % 10 << ":\r\n08040201\r\n2(4686)00;\r\n";
}

void WriteManyPartsSm(std::ostream& out, std::uint64_t parts) {
    constexpr std::array<std::string_view, 6> kNames = {"Beginner", "Easy", "Medium", "Hard", "Challenge", "Edit"};
    out << "#TITLE:Many parts;\n#ARTIST:Bench;\n#OFFSET:0;\n#BPMS:0=150,16=180;\n#STOPS:8=0.25;\n";
    for (std::uint64_t i = 0; i < parts; ++i)
        out << "#NOTES:\n     dance-single:\n     :\n     " << kNames[i % kNames.size()] << ":\n     " << 1 + i % 10
            << ":\n     0,0,0,0,0:\n1000\n0100\n2010\n3001\n;\n";
}

}  // namespace stepquill::bench
