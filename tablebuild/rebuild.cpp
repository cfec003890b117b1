#include "rebuild.hpp"

#include "error.hpp"
#include "fields.hpp"
#include "hex.hpp"

namespace drovenna {

namespace {

int digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

[[noreturn]] void reject(std::int64_t line, const std::string& why) {
    fail("Listing line " + std::to_string(line) + ": " + why);
}

// Entries that cannot be written where they say are refused before anything
// is copied for them; the entries before stay applied.
void check_entry(const listing_entry& entry, std::int64_t line, std::int64_t write_position) {
    if (entry.path_has_line_feed) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         ": the path holds a line feed; lines must end with a carriage return and a line feed");
    }
    if (entry.position >= max_table_position) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         " lies beyond the largest table supported (3FFFFFFF)");
    }
    if (entry.position < write_position) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         " overlaps or precedes the previous location field, which ends at " +
                         hex_text(write_position, 8) + "; lines must follow the order of the table");
    }
}

}  // namespace

std::string read_field(in_channel& listing) { return read_bytes(listing, 8); }

std::int64_t field_value(const std::string& text) {
    if (text.empty() || digit_value(static_cast<unsigned char>(text[0])) < 0) fail("int_of_string");
    std::int64_t value = 0;
    for (char c : text) {
        if (c == '_') continue;
        int digit = digit_value(static_cast<unsigned char>(c));
        if (digit < 0) fail("int_of_string");
        value = value * 16 + digit;
    }
    return value;
}

listing_entry read_listing_entry(in_channel& listing) {
    listing_entry entry;
    if (input_byte(listing) == 0x00) {
        entry.end = true;
        return entry;
    }
    advance_input(listing, -1);
    entry.offset = field_value(read_field(listing));
    advance_input(listing, 1);
    entry.size = field_value(read_field(listing));
    advance_input(listing, 1);
    entry.position = field_value(read_field(listing));
    if (entry.position >= std::int64_t{1} << 31) fail("int_of_string");
    advance_input(listing, 1);
    for (int c; (c = input_byte(listing)) != '\r';) {
        if (c == '\n') entry.path_has_line_feed = true;
    }
    advance_input(listing, 1);
    return entry;
}

void rebuild(in_channel& old_table, in_channel& listing, out_channel& new_table, std::int64_t base) {
    for (std::int64_t line = 1;; ++line) {
        listing_entry entry = read_listing_entry(listing);
        if (entry.end) break;
        check_entry(entry, line, output_position(new_table));
        while (output_position(new_table) < entry.position)
            output_byte(new_table, static_cast<unsigned char>(input_byte(old_table)));
        flush(new_table);
        std::int64_t sector = entry.offset / 2048 + base;
        for (int shift = 0; shift < 24; shift += 8)
            output_byte(new_table, static_cast<unsigned char>((sector >> shift) & 0xFF));
        for (int shift = 0; shift < 32; shift += 8)
            output_byte(new_table, static_cast<unsigned char>((entry.size >> shift) & 0xFF));
        flush(new_table);
        // The old location field is never read: a seek, which may pass the end.
        advance_input(old_table, 7);
    }
    for (int c; (c = input_byte_or_end(old_table)) >= 0;) output_byte(new_table, static_cast<unsigned char>(c));
    flush(new_table);
}

void tablebuild_main(const argument_list& args) {
    print_banner("DrovennaI/Drovenna II/Drovenna III LBA Rebuilder\n");
    if (usage_needed(args, 4,
                     {" old00file newlbaname new00filename\n\n", "Where old00file is the old compressed table file,\n",
                      "newlbaname is the name of the uncompressed table built by the repacker\n",
                      "and new00filename is your new compressed table name\n\n"})) {
        return;
    }
    auto old_table = open_in(argument(args, 1));
    auto listing = open_in(argument(args, 2));
    refuse_same_file(*old_table, argument(args, 3), "the old table file");
    refuse_same_file(*listing, argument(args, 3), "the listing");
    out_channel& new_table = open_out(argument(args, 3));
    std::int64_t base = input_byte(*old_table);
    // The base sector byte is copied like every other byte: step back over it.
    advance_input(*old_table, -1);
    rebuild(*old_table, *listing, new_table, base);
    close_in(*old_table);
    close_in(*listing);
    close_out(new_table);
}

}  // namespace drovenna
