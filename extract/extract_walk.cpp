#include "extract_walk.hpp"

#include <cstring>

#include "error.hpp"
#include "listing.hpp"

namespace drovenna {

int next_file_lead(in_channel& table, dir_list& dirs) {
    for (;;) {
        int lead = input_byte(table);
        if (lead < 0x80) return lead;
        read_directory_record(lead - 0x80, dirs, table);
    }
}

void walk_table(in_channel& table, out_channel& listing, std::string& file_name, dir_list& dirs, std::int64_t base) {
    for (int lead; (lead = next_file_lead(table, dirs)) != 0x00;) {
        // 0x01-0x3F short form, 0x40-0x7F long form: the low six bits are the head length.
        list_file_record(lead & 0x3F, table, listing, dirs, file_name, base);
        flush(listing);
        // The extra field of the long form: nothing in the listing depends on it.
        if (lead >= 0x40) read_bytes(table, 3);
    }
}

file_record read_file_record(std::int64_t head_length, in_channel& table, std::int64_t base) {
    auto [back_count, copy_count] = split_nibbles(input_byte(table));
    // Built in place, the fields read in the order of the record (a braced
    // list is evaluated from left to right): no copy of the name field.
    return {back_count,
            copy_count,
            read_bytes(table, head_length - 2),
            input_position(table),
            read_lba_offset(table, base),
            read_u32(table)};
}

const std::string& file_name_of(const file_record& record, std::string& file_name) {
    if (record.copy_count == 0) {
        // A whole name replaces the start of the buffer; older bytes behind it stay.
        std::memcpy(file_name.data(), record.field.data(), std::min(record.field.size(), file_name.size()));
        return record.field;
    }
    return merge_name(file_name, record.field, record.back_count, record.copy_count);
}

void list_file_record(std::int64_t head_length, in_channel& table, out_channel& listing, const dir_list& dirs,
                      std::string& file_name, std::int64_t base) {
    file_record record = read_file_record(head_length, table, base);
    write_listing_head(listing, record.offset, record.size, record.position, dirs);
    write_name_line(file_name_of(record, file_name), listing);
}

void read_directory_record(std::int64_t record_length, dir_list& dirs, in_channel& table) {
    int close_count = input_byte(table);
    static const std::string filler(sibling_filler_size, 'a');
    std::string sibling = close_directories(close_count, dirs, filler);
    int merge = input_byte(table);
    std::string field = read_name(record_length, table);
    if (merge == 0) {
        dirs.push_back(cut_at_nul(std::move(field)));
    } else {
        merge_name(sibling, field, split_nibbles(merge).first, static_cast<std::int64_t>(field.size()));
        dirs.push_back(cut_at_nul(std::move(sibling)));
    }
}

std::string close_directories(std::int64_t count, dir_list& dirs, const std::string& filler) {
    if (count == 0) return "choucroute";
    for (; count > 1; --count) {
        if (dirs.empty()) raise_match_failure("extract", 95, 12);
        dirs.pop_back();
    }
    if (dirs.empty()) raise_match_failure("extract", 94, 12);
    std::string sibling = std::move(dirs.back());
    dirs.pop_back();
    sibling += '\0';
    sibling += filler;
    return sibling;
}

std::int64_t terminated_length(const std::string& bytes) {
    auto nul = bytes.find('\0');
    if (nul == std::string::npos) raise_invalid_argument("index out of bounds");
    return static_cast<std::int64_t>(nul) + 1;
}

std::string cut_at_nul(std::string bytes) {
    // Cut in place: the caller hands over a string it no longer needs.
    bytes.resize(static_cast<std::size_t>(terminated_length(bytes) - 1));
    return bytes;
}

std::string& merge_name(std::string& target, const std::string& piece, std::int64_t back_count, std::int64_t count) {
    std::int64_t start = terminated_length(target) - back_count - 2;
    auto piece_length = static_cast<std::int64_t>(piece.size());
    auto target_length = static_cast<std::int64_t>(target.size());
    if (count < 0 || count > piece_length || start < 0 || start > target_length - count) {
        raise_invalid_argument("String.blit");
    }
    std::memcpy(target.data() + start, piece.data(), static_cast<std::size_t>(count));
    return target;
}

void write_name_line(const std::string& name, out_channel& listing) {
    output_bytes(listing, std::string_view(name).substr(0, name.find('\0')));
    output_bytes(listing, "\r\n");
}

int extract_main(const argument_list& args) {
    print_banner("Drovenna II/Drovenna III LBA Extractor\n");
    if (usage_needed(args, 3,
                     {" 00file lbaname\n", "Where 00file is the name of the compressed table of the game\n",
                      "and lbaname the name of the file in which you want to uncompress it.\n\n"})) {
        return 0;
    }
    extraction job = start_extraction(args);
    std::string file_name(file_name_buffer_size, 'a');
    dir_list dirs;
    walk_table(*job.table, *job.listing, file_name, dirs, job.base);
    finish_extraction(job);
    return 0;
}

}  // namespace drovenna
