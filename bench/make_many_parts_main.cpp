// stepquill-make-many-parts PARTS OUT.dwi|OUT.sm: writes a chart of PARTS
// short single-play parts, for the measure of --all.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "many_parts_maker.h"

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long long parts = argc == 3 ? std::strtoull(argv[1], &end, 10) : 0;
    if (argc != 3 || end == argv[1] || *end != '\0' || parts == 0) {
        std::cerr << "usage: stepquill-make-many-parts PARTS OUT.dwi|OUT.sm\n";
        return 2;
    }
    const std::string target = argv[2];
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (target.size() > 3 && target.compare(target.size() - 3, 3, ".sm") == 0)
        stepquill::bench::WriteManyPartsSm(out, parts);
    else
        stepquill::bench::WriteManyPartsDwi(out, parts);
    out.close();
    if (!out) {
        std::cerr << "stepquill-make-many-parts: cannot write " << target << '\n';
        return 1;
    }
    return 0;
}
