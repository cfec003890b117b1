#include "fuzz_targets.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "channel.hpp"
#include "check.hpp"
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

namespace {

[[noreturn]] void defect(const char* what) {
    std::fprintf(stderr, "lbacheck defect: %s\n", what);
    std::abort();
}

// lbacheck on the files: its status, or -1 when it ends with a
// drovenna::error, as a failing read would end it.
int run_check(const std::string& table, const std::string& listing, const std::string* new_table = nullptr) {
    argument_list args{"lbacheck", table, listing};
    if (new_table) args.push_back(*new_table);
    int status = -1;
    try {
        status = lbacheck_main(args);
    } catch (const error&) {
    }
    // The report goes out now, as at the end of the program, not in the middle of the next one.
    flush_all();
    if (status != -1 && status != 0 && status != 1) defect("a status other than 0 and 1 with a right argument count");
    return status;
}

// tablebuild on the files, as its main flow runs it: true when it goes
// through. The new table holds whatever it wrote, also when it stopped.
bool run_tablebuild(const std::string& old_path, const std::string& listing_path, const memory_file& new_file) {
    bool through = false;
    auto old_table = open_in(old_path);
    auto listing = open_in(listing_path);
    out_channel& new_table = open_out(new_file.path);
    try {
        std::int64_t base = input_byte(*old_table);
        advance_input(*old_table, -1);
        rebuild(*old_table, *listing, new_table, base);
        through = true;
    } catch (const error&) {
    }
    close_out(new_table);
    close_in(*old_table);
    close_in(*listing);
    return through;
}

// The listing that extract (episode 2) or extractor (episode 1) writes for
// the table: true when the walk reaches the end byte, the listing then
// being whole, with its final NUL.
bool run_extraction(int episode, const std::string& table_path, const memory_file& listing_file) {
    bool whole = false;
    auto table = open_in(table_path);
    out_channel& listing = open_out(listing_file.path);
    try {
        std::int64_t base = input_byte(*table);
        dir_list dirs;
        if (episode == 2) {
            std::string file_name(file_name_buffer_size, 'a');
            walk_table(*table, listing, file_name, dirs, base);
        } else {
            walk_table_1(*table, listing, dirs, base);
        }
        output_byte(listing, 0);
        whole = true;
    } catch (const error&) {
    }
    close_out(listing);
    close_in(*table);
    return whole;
}

// The file records of the table, read as the extractor of the episode reads
// them, or -1 if the table cannot be read to its end byte.
std::int64_t file_records(int episode, const std::string& table_path) {
    auto table = open_in(table_path);
    std::int64_t records = 0;
    try {
        std::int64_t base = input_byte(*table);
        dir_list dirs;
        for (;;) {
            int lead = episode == 2 ? next_file_lead(*table, dirs) : next_file_lead_1(*table, dirs);
            if (lead == 0x00) break;
            if (episode == 2) {
                read_file_record(lead & 0x3F, *table, base);
            } else {
                read_file_record_1(lead & 0x3F, *table, base);
            }
            if (lead >= 0x40) read_bytes(*table, 3);
            ++records;
        }
    } catch (const error&) {
        records = -1;
    }
    close_in(*table);
    return records;
}

}  // namespace

void check_target(const std::uint8_t* data, std::size_t size) {
    static const memory_file table_file = make_memory_file("table");
    static const memory_file listing_file = make_memory_file("listing");
    static const memory_file new_file = make_memory_file("new_table");
    static const memory_file rebuilt_file = make_memory_file("rebuilt_table");
    static const memory_file extracted_file = make_memory_file("extracted_listing");
    static const memory_file changed_file = make_memory_file("changed_table");
    if (size < 2) return;
    auto piece = [&](std::size_t& at, std::size_t length) {
        length = std::min(length, size - at);
        std::string bytes(reinterpret_cast<const char*>(data) + at, length);
        at += length;
        return bytes;
    };
    std::size_t at = 2;
    const std::string table = piece(at, data[0] | std::size_t{data[1]} << 8);
    std::size_t word = 0;
    if (size - at >= 2) {
        word = data[at] | std::size_t{data[at + 1]} << 8;
        at += 2;
    }
    const std::string listing = piece(at, word & 0x7FFF);
    const bool has_new_table = (word & 0x8000) != 0;
    const std::string new_table = has_new_table ? piece(at, size - at) : std::string();
    fill(table_file, table);
    fill(listing_file, listing);
    fill(new_file, new_table);

    int free_before = lowest_free_descriptor();
    const int status = run_check(table_file.path, listing_file.path, has_new_table ? &new_file.path : nullptr);
    // A pass says that tablebuild goes through and writes the new table given.
    if (status == 0) {
        if (!run_tablebuild(table_file.path, listing_file.path, rebuilt_file)) {
            defect("a listing passes that tablebuild stops on");
        }
        if (has_new_table) {
            if (contents(rebuilt_file) != new_table) defect("a new table passes that tablebuild does not write");
        } else if (run_check(table_file.path, listing_file.path, &rebuilt_file.path) != 0) {
            defect("a listing passes alone, but not with the new table tablebuild writes from it");
        }
    }

    // The listing that an extractor writes passes, and the table it came
    // from is the new table it rebuilds, to the byte.
    for (int episode : {2, 1}) {
        if (!run_extraction(episode, table_file.path, extracted_file)) continue;
        // A carriage return or line feed in a name would end the listing
        // line inside the path, where tablebuild cannot read on: such
        // listings fail rightly. Each line ends with one pair of each.
        const std::string extracted = contents(extracted_file);
        const std::int64_t records = file_records(episode, table_file.path);
        if (std::count(extracted.begin(), extracted.end(), '\r') != records ||
            std::count(extracted.begin(), extracted.end(), '\n') != records) {
            continue;
        }
        if (run_check(table_file.path, extracted_file.path) != 0) {
            defect("the listing that the extractor writes for a table does not pass");
        }
        if (run_check(table_file.path, extracted_file.path, &table_file.path) != 0) {
            defect("the old table does not pass as the new table of its unchanged listing");
        }
        // The walk read the base sector: the table is not empty.
        std::string changed = table;
        changed[word % changed.size()] = static_cast<char>(changed[word % changed.size()] + 1);
        fill(changed_file, changed);
        if (run_check(table_file.path, extracted_file.path, &changed_file.path) != 1) {
            defect("a new table with a byte changed passes for an unchanged listing");
        }
    }
    check_descriptors(free_before);
}

}  // namespace fuzz
