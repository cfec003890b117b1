// gen_table SEED COUNT EPISODE OUT_TABLE [OUT_EXPECTED_LISTING]
//
// Writes a synthetic table of COUNT file records (episode 1, or 2 for the
// episode II/III layout) and, when asked, the listing the extractors must
// write for it. The same seed gives the same files on every platform.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "table_gen.hpp"

namespace {

bool write_file(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "gen_table: cannot write %s\n", path);
        return false;
    }
    return true;
}

// A whole decimal number, or -1.
long long parse_number(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(text);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr,
                     "usage: gen_table SEED COUNT EPISODE OUT_TABLE [OUT_EXPECTED_LISTING]\n"
                     "  SEED     any whole number\n"
                     "  COUNT    number of file records\n"
                     "  EPISODE  1 (episode I layout) or 2 (episode II/III layout)\n");
        return 2;
    }
    long long seed = parse_number(argv[1]);
    long long count = parse_number(argv[2]);
    long long episode = parse_number(argv[3]);
    if (seed < 0 || count < 0 || (episode != 1 && episode != 2)) {
        std::fprintf(stderr, "gen_table: SEED and COUNT must be whole numbers, EPISODE 1 or 2\n");
        return 2;
    }
    try {
        auto generated =
            table_gen::generate_table(static_cast<unsigned long long>(seed), count, static_cast<int>(episode));
        if (!write_file(argv[4], generated.table)) return 1;
        if (argc == 6 && !write_file(argv[5], generated.listing)) return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_table: %s\n", e.what());
        return 1;
    }
    return 0;
}
