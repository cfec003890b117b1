#include "rebuild.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "error.hpp"
#include "fields.hpp"
#include "hex.hpp"

namespace drovenna {

namespace {

// The value of every byte as a hexadecimal digit, or -1: three fields of
// eight digits on every listing line.
constexpr std::array<signed char, 256> digit_values = [] {
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                                                       : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                       : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                                              : -1);
    }
    return values;
}();

int digit_value(unsigned char c) { return digit_values[c]; }

// Passes over n bytes without looking at them, and without an error at the
// end of the input. Read, not sought over: a seek would cost a system call
// each time the byte lies just past the buffer.
void skip_bytes(in_channel& in, std::size_t n) {
    if (n <= buffered_ahead(in).size()) {
        consume(in, n);
        return;
    }
    while (n > 0 && load_ahead(in)) {
        std::size_t step = std::min(n, buffered_ahead(in).size());
        consume(in, step);
        n -= step;
    }
}

// The value of the next field, read in place when the buffer holds it whole.
std::int64_t next_field_value(in_channel& listing) {
    std::string_view ahead = buffered_ahead(listing);
    if (ahead.size() >= 8) {
        consume(listing, 8);
        return field_value(ahead.substr(0, 8));
    }
    return field_value(read_field(listing));
}

// Skips the path of a listing line, up to and including its first carriage
// return, a buffer at a time; notes a line feed met on the way, and keeps
// the path for a caller that asks for it.
void skip_path(in_channel& listing, listing_entry& entry, path_text* keep) {
    for (;;) {
        if (!load_ahead(listing)) raise_end_of_file();
        std::string_view ahead = buffered_ahead(listing);
        std::size_t span = std::min(ahead.find('\r'), ahead.size());
        std::string_view piece = ahead.substr(0, span);
        if (piece.find('\n') != std::string_view::npos) entry.path_has_line_feed = true;
        if (keep) keep_path_piece(*keep, piece);
        if (span < ahead.size()) {
            consume(listing, span + 1);
            return;
        }
        consume(listing, span);
    }
}

// Copies the next n bytes of the input to the output, a buffer's worth at a
// time; End_of_file when the input ends first, after the bytes it had.
void copy_bytes(in_channel& in, out_channel& out, std::int64_t n) {
    while (n > 0) {
        if (!load_ahead(in)) raise_end_of_file();
        std::string_view ahead = buffered_ahead(in);
        std::size_t chunk = std::min(static_cast<std::size_t>(n), ahead.size());
        output_bytes(out, ahead.substr(0, chunk));
        consume(in, chunk);
        n -= static_cast<std::int64_t>(chunk);
    }
}

[[noreturn]] void reject(std::int64_t line, const std::string& why) {
    fail("Listing line " + std::to_string(line) + ": " + why);
}

// Entries that cannot be written where they say are refused before anything
// is copied for them; the entries before stay applied.
void check_entry(const listing_entry& entry, std::int64_t line, const out_channel& new_table) {
    if (entry.path_has_line_feed) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         ": the path holds a line feed; lines must end with a carriage return and a line feed");
    }
    if (entry.position >= max_table_position) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         " lies beyond the largest table supported (3FFFFFFF)");
    }
    // Only now the write position: from 2^30 on it cannot be told, and the
    // line's own faults above are reported first.
    std::int64_t write_position = output_position(new_table);
    if (entry.position < write_position) {
        reject(line, "location position " + hex_text(entry.position, 8) +
                         " overlaps or precedes the previous location field, which ends at " +
                         hex_text(write_position, 8) + "; lines must follow the order of the table");
    }
}

}  // namespace

std::string read_field(in_channel& listing) { return read_bytes(listing, 8); }

std::int64_t field_value(std::string_view text) {
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

void keep_path_piece(path_text& path, std::string_view piece) {
    std::size_t room = path.bytes.size() < max_kept_path ? max_kept_path - path.bytes.size() : 0;
    if (piece.size() > room) {
        // Only very long paths get here: their tail is compared by its hash.
        for (char c : piece.substr(room))
            path.tail_hash = (path.tail_hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    path.bytes.append(piece.substr(0, std::min(room, piece.size())));
    path.length += static_cast<std::int64_t>(piece.size());
}

listing_entry read_listing_entry(in_channel& listing, path_text* path) {
    listing_entry entry;
    if (input_byte(listing) == 0x00) {
        entry.end = true;
        return entry;
    }
    advance_input(listing, -1);
    entry.offset = next_field_value(listing);
    // The separators and the byte after the carriage return are passed over
    // unlooked at, and without an error at the end of the input; a checker
    // gets them in the entry.
    entry.separators[0] = input_byte_or_end(listing);
    entry.size = next_field_value(listing);
    entry.separators[1] = input_byte_or_end(listing);
    entry.position = next_field_value(listing);
    if (entry.position >= std::int64_t{1} << 31) fail("int_of_string");
    entry.separators[2] = input_byte_or_end(listing);
    skip_path(listing, entry, path);
    entry.line_end = input_byte_or_end(listing);
    return entry;
}

void rebuild(in_channel& old_table, in_channel& listing, out_channel& new_table, std::int64_t base) {
    for (std::int64_t line = 1;; ++line) {
        listing_entry entry = read_listing_entry(listing);
        if (entry.end) break;
        check_entry(entry, line, new_table);
        copy_bytes(old_table, new_table, entry.position - output_position(new_table));
        flush(new_table);
        std::int64_t sector = entry.offset / 2048 + base;
        for (int shift = 0; shift < 24; shift += 8)
            output_byte(new_table, static_cast<unsigned char>((sector >> shift) & 0xFF));
        for (int shift = 0; shift < 32; shift += 8)
            output_byte(new_table, static_cast<unsigned char>((entry.size >> shift) & 0xFF));
        flush(new_table);
        // The old location field is skipped; it may run past the end.
        skip_bytes(old_table, 7);
    }
    for (int c; (c = input_byte_or_end(old_table)) >= 0;) output_byte(new_table, static_cast<unsigned char>(c));
    flush(new_table);
}

int tablebuild_main(const argument_list& args) {
    print_banner("DrovennaI/Drovenna II/Drovenna III LBA Rebuilder\n");
    if (usage_needed(args, 4,
                     {" old00file newlbaname new00filename\n\n", "Where old00file is the old compressed table file,\n",
                      "newlbaname is the name of the uncompressed table built by the repacker\n",
                      "and new00filename is your new compressed table name\n\n"})) {
        return 0;
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
    return 0;
}

}  // namespace drovenna
