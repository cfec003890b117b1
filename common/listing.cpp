#include "listing.hpp"

#include "error.hpp"
#include "hex.hpp"

namespace drovenna {

void write_listing_head(out_channel& out, std::int64_t offset, std::int64_t size, std::int64_t position,
                        const dir_list& dirs) {
    if (offset >= listing_field_limit) {
        fail("Data offset " + hex_text(offset, 8) + " of the file whose location field is at position " +
             hex_text(position, 8) + " does not fit in 8 hexadecimal digits");
    }
    std::string field(8, '\0');
    create_hexa(offset, 8, field);
    output_bytes(out, field);
    output_byte(out, '|');
    create_hexa(size, 8, field);
    output_bytes(out, field);
    output_byte(out, '|');
    create_hexa(position, 8, field);
    output_bytes(out, field);
    output_byte(out, '|');
    write_dir_path(out, dirs);
}

extraction start_extraction(const argument_list& args) {
    extraction job;
    job.table = open_in(argument(args, 1));
    refuse_same_file(*job.table, argument(args, 2), "the table file");
    job.listing = &open_out(argument(args, 2));
    job.base = input_byte(*job.table);
    return job;
}

void finish_extraction(extraction& job) {
    output_byte(*job.listing, 0);
    close_in(*job.table);
    close_out(*job.listing);
    job.listing = nullptr;
}

}  // namespace drovenna
