#include "extractor_walk.hpp"

#include "error.hpp"
#include "listing.hpp"

namespace drovenna {

int next_file_lead_1(in_channel& table, dir_list& dirs) {
    for (;;) {
        int lead = input_byte(table);
        if (lead < 0x80) return lead;
        // Only the low nibble holds the record length; bits 4 to 6 mean nothing.
        read_directory_record_1(split_nibbles(lead).second, dirs, table);
    }
}

void walk_table_1(in_channel& table, out_channel& listing, dir_list& dirs, std::int64_t base) {
    for (int lead; (lead = next_file_lead_1(table, dirs)) != 0x00;) {
        list_file_record_1(lead & 0x3F, table, listing, dirs, base);
        flush(listing);
        if (lead >= 0x40) read_bytes(table, 3);  // the long form's extra field, not listed
    }
}

file_record read_file_record_1(std::int64_t head_length, in_channel& table, std::int64_t base) {
    // Built in place, the fields read in the order of the record (a braced
    // list is evaluated from left to right).
    return {
        0, 0, read_bytes(table, head_length - 1), input_position(table), read_lba_offset(table, base), read_u32(table)};
}

void list_file_record_1(std::int64_t head_length, in_channel& table, out_channel& listing, const dir_list& dirs,
                        std::int64_t base) {
    file_record record = read_file_record_1(head_length, table, base);
    write_listing_head(listing, record.offset, record.size, record.position, dirs);
    write_name_bytes(record.field, listing);
    output_bytes(listing, "\r\n");
}

void read_directory_record_1(std::int64_t record_length, dir_list& dirs, in_channel& table) {
    close_directories_1(input_byte(table), dirs);
    dirs.push_back(read_bytes(table, record_length - 2));
}

void close_directories_1(std::int64_t count, dir_list& dirs) {
    for (; count > 0; --count) {
        if (dirs.empty()) fail("Erreur de r\xE9pertoire");
        dirs.pop_back();
    }
}

void write_name_bytes(const std::string& name, out_channel& listing) { output_bytes(listing, name); }

int extractor_main(const argument_list& args) {
    print_banner("Drovenna I LBA Extractor\n");
    if (usage_needed(args, 3,
                     {" table output_lba\n\n", "Where 00file is the name of the compressed table of the game\n",
                      "and lbaname the name of the file in which you want to uncompress it.\n\n"})) {
        return 0;
    }
    extraction job = start_extraction(args);
    dir_list dirs;
    walk_table_1(*job.table, *job.listing, dirs, job.base);
    finish_extraction(job);
    return 0;
}

}  // namespace drovenna
