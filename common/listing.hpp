// What the two extractors share: the start of every listing line and the
// frame of their main flow.
//
// A listing line is: data offset "|" data size "|" location position "|"
// directory path, file name, "\r\n", each number as 8 upper-case hexadecimal
// digits. One NUL byte ends the listing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "channel.hpp"
#include "fields.hpp"
#include "program.hpp"

namespace drovenna {

// The listing field has 8 hexadecimal digits: offsets from here on cannot be written.
constexpr std::int64_t listing_field_limit = std::int64_t{1} << 32;

// Writes the three numbers with their separators and the directory path.
// Nothing is written when the data offset has no 8-digit form: a negative
// offset fails in create_hexa, one of 2^32 or more is refused here, since
// its low digits alone would send tablebuild to a wrong sector.
void write_listing_head(out_channel& out, std::int64_t offset, std::int64_t size, std::int64_t position,
                        const dir_list& dirs);

// The files of an extractor's run, from opening to closing.
struct extraction {
    std::unique_ptr<in_channel> table;
    out_channel* listing = nullptr;
    std::int64_t base = 0;  // the table's first byte
};

// Opens the table (argument 1), then the listing (argument 2), and reads the base sector.
extraction start_extraction(const argument_list& args);

// Ends the listing with its NUL byte and closes both files.
void finish_extraction(extraction& job);

}  // namespace drovenna
