// Synthetic table files for the tests, the fuzzers' seeds and the benchmark.
//
// From a seed, a number of file records and an episode, the generator lays
// out a valid table and, beside it, the listing the extractors must write for
// it. The listing is built from the names the generator means each record to
// carry, never by walking the table it wrote, so the two can check each other.
//
// Episode 2 stands for the episode II/III layout (names merged into the
// previous ones), episode 1 for the episode I layout (every name whole).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace table_gen {

// One line of a listing: what a file record says and where its location field lies.
struct listing_line {
    std::uint32_t offset = 0;  // (sector - base sector) * 2048
    std::uint32_t size = 0;
    std::uint32_t position = 0;  // byte offset of the 7-byte location field in the table
    std::string path;            // "\" + each open directory + "\" + the file name
};

struct generated_table {
    std::string table;                // the table file's bytes
    std::vector<listing_line> lines;  // one per file record, in table order
    std::string listing;              // the listing file's bytes: format_listing(lines)
};

// Throws std::invalid_argument for an episode other than 1 or 2 or a negative count.
generated_table generate_table(std::uint64_t seed, std::int64_t file_count, int episode);

// The listing bytes of the lines: "OOOOOOOO|SSSSSSSS|PPPPPPPP|path\r\n" each
// (upper-case hexadecimal), then one NUL byte.
std::string format_listing(const std::vector<listing_line>& lines);

}  // namespace table_gen
