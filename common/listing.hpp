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

// A file record as a walk reads it, before its name is resolved: episode
// II/III names may be merged into the previous one (back and copy counts of
// the merge byte), episode I names are the whole field.
struct file_record {
    int back_count = 0;
    int copy_count = 0;
    std::string field;          // the name field
    std::int64_t position = 0;  // of the location field in the table
    std::int64_t offset = 0;    // (sector number - base sector) * 2048
    std::int64_t size = 0;
};

// Refuses numbers that a listing line cannot hold: a negative one fails in
// create_hexa, a data offset of 2^32 or more is refused, since its low
// digits alone would send tablebuild to a wrong sector.
void check_unusual_listing_head(std::int64_t offset, std::int64_t size, std::int64_t position);
inline void check_listing_head(std::int64_t offset, std::int64_t size, std::int64_t position) {
    // Every listing line passes here: the usual numbers cost one test.
    if (offset >= listing_field_limit || offset < 0 || size < 0 || position < 0) {
        check_unusual_listing_head(offset, size, position);
    }
}

// Writes the three numbers with their separators and the directory path.
// Nothing is written when check_listing_head refuses the numbers.
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
