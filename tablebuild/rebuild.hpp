// Rebuilding a table file from the old one and an edited listing.
//
// The new table is a byte-for-byte copy of the old one, except at the
// location position of every listing line, where seven new bytes go:
// the 24-bit sector number (data offset div 2048 + base sector) and the
// 32-bit size, both little-endian. The table's records are never decoded,
// so this serves the tables of every episode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "channel.hpp"
#include "program.hpp"

namespace drovenna {

// Location positions from here on lie outside the tables we can write.
constexpr std::int64_t max_table_position = std::int64_t{1} << 30;

struct listing_entry {
    bool end = false;  // the NUL byte that ends the listing
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t position = 0;
    bool path_has_line_feed = false;  // lone line-feed line ends: the next line would be swallowed
    // The bytes passed over unread: the separators after the three fields
    // ("|") and the byte after the carriage return ("\n"), -1 past the end.
    // tablebuild never looks at them.
    int separators[3] = {'|', '|', '|'};
    int line_end = '\n';
};

// The next 8 bytes of the listing, whatever they are.
std::string read_field(in_channel& listing);

// The value of a field text: a hexadecimal digit, then seven hexadecimal
// digits or "_" (ignored), either case; anything else is Failure("int_of_string").
std::int64_t field_value(std::string_view text);

// What a reader that checks the paths keeps of a line's path text: its bytes
// up to a limit, and beyond it only their hash, so that one overlong line in
// a damaged listing cannot take the memory.
constexpr std::size_t max_kept_path = std::size_t{1} << 16;
struct path_text {
    std::string bytes;                                // the first max_kept_path bytes
    std::int64_t length = 0;                          // every byte of it
    std::uint64_t tail_hash = 0xCBF29CE484222325ULL;  // FNV-1a of the bytes past the limit
};

// Adds the next bytes of a path text.
void keep_path_piece(path_text& path, std::string_view piece);

// One listing line, found by byte positions: fields at 0, 9 and 18, the
// bytes between them skipped unread, the path text up to the first carriage
// return dropped (or kept in `path`, when given, as far as it was read), the
// byte after it skipped.
listing_entry read_listing_entry(in_channel& listing, path_text* path = nullptr);

void rebuild(in_channel& old_table, in_channel& listing, out_channel& new_table, std::int64_t base);

// The program's main flow; returns the exit status of a normal end (0).
int tablebuild_main(const argument_list& args);

}  // namespace drovenna
