// Readers of the little-endian fields of a table file, and the directory path
// that starts the name part of a listing line. Each reader consumes exactly
// its bytes at the channel's position; none seeks or looks ahead.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "channel.hpp"

namespace drovenna {

// The directories open at the current point of a table walk. The innermost
// (most recently opened) directory is the last element, so opening and
// closing are push_back and pop_back, and the path is written front to back.
using dir_list = std::vector<std::string>;

// (high nibble, low nibble) of a byte.
inline std::pair<int, int> split_nibbles(int byte) {
    int high = byte / 16;
    return {high, byte - 16 * high};
}

// The next n bytes; a negative n is Invalid_argument("String.create").
std::string read_bytes(in_channel& in, std::int64_t n);

// The name field of an episode II/III directory record of record length n:
// the record length counts the lead byte, close count and merge byte too.
std::string read_name(std::int64_t n, in_channel& in);

// A 24-bit sector number turned into a byte offset relative to the base sector.
std::int64_t read_lba_offset(in_channel& in, std::int64_t base);

std::int64_t read_u32(in_channel& in);

// "\" then every name, outermost first, each followed by "\".
std::string dir_path(const dir_list& dirs);
void write_dir_path(out_channel& out, const dir_list& dirs);

}  // namespace drovenna
