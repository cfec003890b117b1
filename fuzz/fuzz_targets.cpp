#include "fuzz_targets.hpp"

#include <algorithm>
#include <string>

#include "channel.hpp"
#include "error.hpp"
#include "extract_walk.hpp"
#include "extractor_walk.hpp"
#include "fuzz_files.hpp"
#include "rebuild.hpp"

namespace fuzz {

using namespace drovenna;

void extract_walk_target(const std::uint8_t* data, std::size_t size) {
    static const memory_file table_file = make_memory_file("table");
    static const memory_file listing_file = make_memory_file("listing");
    fill(table_file, data, size);
    int free_before = lowest_free_descriptor();
    {
        auto table = open_in(table_file.path);
        out_channel& listing = open_out(listing_file.path);
        try {
            std::int64_t base = input_byte(*table);
            std::string file_name(file_name_buffer_size, 'a');
            dir_list dirs;
            walk_table(*table, listing, file_name, dirs, base);
            output_byte(listing, 0);
        } catch (const error&) {
        }
        // open_out's channel stays registered until closed, whatever happened.
        close_out(listing);
        close_in(*table);
    }
    check_descriptors(free_before);
}

void extractor_walk_target(const std::uint8_t* data, std::size_t size) {
    static const memory_file table_file = make_memory_file("table");
    static const memory_file listing_file = make_memory_file("listing");
    fill(table_file, data, size);
    int free_before = lowest_free_descriptor();
    {
        auto table = open_in(table_file.path);
        out_channel& listing = open_out(listing_file.path);
        try {
            std::int64_t base = input_byte(*table);
            dir_list dirs;
            walk_table_1(*table, listing, dirs, base);
            output_byte(listing, 0);
        } catch (const error&) {
        }
        close_out(listing);
        close_in(*table);
    }
    check_descriptors(free_before);
}

void rebuild_target(const std::uint8_t* data, std::size_t size) {
    static const memory_file old_file = make_memory_file("old_table");
    static const memory_file listing_file = make_memory_file("listing");
    static const memory_file new_file = make_memory_file("new_table");
    if (size < 2) return;
    std::size_t table_size = std::min<std::size_t>(data[0] | std::size_t{data[1]} << 8, size - 2);
    fill(old_file, data + 2, table_size);
    fill(listing_file, data + 2 + table_size, size - 2 - table_size);
    int free_before = lowest_free_descriptor();
    {
        auto old_table = open_in(old_file.path);
        auto listing = open_in(listing_file.path);
        out_channel& new_table = open_out(new_file.path);
        try {
            std::int64_t base = input_byte(*old_table);
            advance_input(*old_table, -1);
            rebuild(*old_table, *listing, new_table, base);
        } catch (const error&) {
        }
        close_out(new_table);
        close_in(*old_table);
        close_in(*listing);
    }
    check_descriptors(free_before);
}

}  // namespace fuzz
