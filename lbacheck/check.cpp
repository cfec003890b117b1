#include "check.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "channel.hpp"
#include "error.hpp"
#include "extract_walk.hpp"
#include "extractor_walk.hpp"
#include "fields.hpp"
#include "hex.hpp"
#include "listing.hpp"
#include "rebuild.hpp"

namespace drovenna {

namespace {

constexpr std::int64_t sector_bytes = 2048;
constexpr std::int64_t max_shown = 100;        // diagnostics printed; the others are only counted
constexpr std::int64_t max_bytes_listed = 20;  // differing bytes of a new table listed one by one
constexpr std::size_t max_path_shown = 300;    // bytes of a path that a diagnostic shows

// The two layouts a table may have, read by the walks of extract and extractor.
constexpr int layout_2 = 0;  // episodes II and III
constexpr int layout_1 = 1;  // episode I
constexpr int layout_count = 2;
// Which layouts a finding holds for, as a mask: bit 0 the episode II/III layout, bit 1 episode I.
constexpr int both_layouts = 3;

std::string layout_name(int layout) { return layout == layout_2 ? "episode II/III" : "episode I"; }

// The checker meets the failures of the walks and of the listing reader as
// findings about its inputs, not as failures of its own: this is the one
// place where it takes them. A system error (a read that fails) is not a
// finding: it still ends the run, as in the other programs.
template <typename Action>
std::optional<error> finding_of(Action&& action) {
    try {
        action();
    } catch (const error& e) {
        if (e.kind == error_kind::sys_error) throw;
        return e;
    }
    return std::nullopt;
}

std::string hex8(std::int64_t value) { return hex_text(value, 8); }

// Reads an input to its end, a buffer at a time; returns how many bytes were left.
std::int64_t bytes_left(in_channel& in) {
    std::int64_t left = 0;
    while (load_ahead(in)) {
        std::size_t n = buffered_ahead(in).size();
        consume(in, n);
        left += static_cast<std::int64_t>(n);
    }
    return left;
}
std::string sector_text(std::int64_t sector) { return hex_text(sector, 6); }

// A path as a diagnostic shows it: in double quotes, control bytes as \xNN
// (an episode I name may hold NULs), an overlong one cut.
std::string shown(std::string_view path) {
    std::string out = "\"";
    for (std::size_t i = 0; i < path.size() && i < max_path_shown; ++i) {
        auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F) {
            out += "\\x" + hex_text(c, 2);
        } else {
            out += static_cast<char>(c);
        }
    }
    out += path.size() > max_path_shown ? "\"..." : "\"";
    return out;
}

// The sectors after the last one that a file's data takes on the disc, or 0
// for a file without data.
std::int64_t data_end(std::int64_t offset, std::int64_t size, std::int64_t base) {
    if (size == 0) return 0;
    return offset / sector_bytes + base + (size + sector_bytes - 1) / sector_bytes;
}

// What the report holds. Findings about listing lines are kept per layout,
// the first max_shown of each; all are counted.
struct finding {
    std::int64_t line = 0;  // the listing line, 0 for a finding about a whole file
    int layouts = both_layouts;
    bool is_error = true;
    std::string text;  // the whole diagnostic line
};

struct report {
    std::string table_name, listing_name, new_table_name;
    std::vector<finding> table_findings, line_findings, listing_findings, new_table_findings;
    std::int64_t errors[layout_count] = {0, 0};
    std::int64_t warnings[layout_count] = {0, 0};
    // Line findings kept, by kind: a flood of warnings must not push an error out.
    std::int64_t kept_errors[layout_count] = {0, 0};
    std::int64_t kept_warnings[layout_count] = {0, 0};
};

void count(report& r, int layouts, bool is_error) {
    for (int l = 0; l < layout_count; ++l) {
        if (layouts & (1 << l)) ++(is_error ? r.errors : r.warnings)[l];
    }
}

void line_finding(report& r, std::int64_t line, int layouts, bool is_error, const std::string& text) {
    count(r, layouts, is_error);
    bool wanted = false;
    for (int l = 0; l < layout_count; ++l) {
        std::int64_t& kept = (is_error ? r.kept_errors : r.kept_warnings)[l];
        if ((layouts & (1 << l)) && kept < max_shown) {
            ++kept;
            wanted = true;
        }
    }
    if (!wanted) return;
    r.line_findings.push_back(
        {line, layouts, is_error,
         r.listing_name + ":" + std::to_string(line) + (is_error ? ": error: " : ": warning: ") + text});
}

void file_finding(report& r, std::vector<finding>& list, const std::string& file, bool is_error,
                  const std::string& text) {
    count(r, both_layouts, is_error);
    list.push_back({0, both_layouts, is_error, file + (is_error ? ": error: " : ": warning: ") + text});
}

// Walks ---------------------------------------------------------------------

// A walk of the table with one layout, run in step with the listing: it
// holds the next file record that no listing line has reached yet.
struct table_walk {
    int layout = layout_2;
    std::unique_ptr<in_channel> table;
    std::int64_t base = 0;
    std::string file_name = std::string(file_name_buffer_size, 'a');
    dir_list dirs;
    bool extra_pending = false;  // a long-form record's extra field is still to be read
    bool ended = false;          // the end byte was read
    std::optional<error> met;    // what stopped the walk before the end byte
    std::int64_t stop_position = 0;

    bool in_hand = false;  // the record below is read and not yet named or passed over
    std::int64_t position = 0, offset = 0, size = 0;
    std::string path;  // the directory path and name, as the extractor lists them
    bool has_previous = false;
    std::int64_t previous_position = 0;
    std::string previous_path;

    std::int64_t records = 0;           // file records read
    std::int64_t unchanged = 0;         // records whose location field the listing leaves as it is
    std::int64_t unnamed_data_end = 0;  // data_end of the records no line names
    std::int64_t positions_matched = 0, paths_matched = 0, changing_lines = 0;
};

void stop_walk(table_walk& walk, const error& e) {
    walk.met = e;
    walk.stop_position = input_offset(*walk.table);
}

void start_walk(table_walk& walk, int layout, const std::string& path) {
    walk.layout = layout;
    walk.table = open_in(path);
    if (auto e = finding_of([&] { walk.base = input_byte(*walk.table); })) stop_walk(walk, *e);
}

// Reads the next file record as the layout's extractor does, failures
// included: a record that the extractor could not list stops the walk.
void read_next_record(table_walk& walk) {
    in_channel& table = *walk.table;
    if (walk.extra_pending) {
        walk.extra_pending = false;
        read_bytes(table, 3);
    }
    int lead = walk.layout == layout_2 ? next_file_lead(table, walk.dirs) : next_file_lead_1(table, walk.dirs);
    if (lead == 0x00) {
        walk.ended = true;
        return;
    }
    file_record record = walk.layout == layout_2 ? read_file_record(lead & 0x3F, table, walk.base)
                                                 : read_file_record_1(lead & 0x3F, table, walk.base);
    check_listing_head(record.offset, record.size, record.position);
    std::string_view name = record.field;
    if (walk.layout == layout_2) {
        name = file_name_of(record, walk.file_name);
        name = name.substr(0, name.find('\0'));
    }
    walk.path = dir_path(walk.dirs);
    walk.path.append(name);
    walk.position = record.position;
    walk.offset = record.offset;
    walk.size = record.size;
    walk.in_hand = true;
    walk.extra_pending = lead >= 0x40;
    ++walk.records;
}

// The record in hand is done with; it becomes the previous one.
void release(table_walk& walk) {
    walk.in_hand = false;
    walk.has_previous = true;
    walk.previous_position = walk.position;
    std::swap(walk.path, walk.previous_path);
}

// Passes over the records whose location field lies before `position`: no
// listing line names them, so the new table keeps them as they are.
void walk_up_to(table_walk& walk, std::int64_t position) {
    for (;;) {
        if (!walk.in_hand) {
            if (walk.ended || walk.met) return;
            if (auto e = finding_of([&] { read_next_record(walk); })) stop_walk(walk, *e);
            continue;
        }
        if (walk.position >= position) return;
        ++walk.unchanged;
        walk.unnamed_data_end = std::max(walk.unnamed_data_end, data_end(walk.offset, walk.size, walk.base));
        release(walk);
    }
}

bool same_path(const path_text& listed, std::string_view table_path) {
    if (listed.length != static_cast<std::int64_t>(table_path.size())) return false;
    if (table_path.substr(0, max_kept_path) != listed.bytes) return false;
    if (table_path.size() <= max_kept_path) return true;
    path_text whole;
    keep_path_piece(whole, table_path);
    return whole.tail_hash == listed.tail_hash;
}

// A listing line as read, with what the checks need of it.
struct line_read {
    std::int64_t number = 0;
    listing_entry entry;
    path_text path;
};

std::int64_t sector_of(const listing_entry& entry, std::int64_t base) { return entry.offset / sector_bytes + base; }

// Compares a line with the record of the walk at its location position.
void match_line(table_walk& walk, const line_read& line, report& r) {
    const std::int64_t position = line.entry.position;
    walk_up_to(walk, position);
    const int mask = 1 << walk.layout;
    if (walk.in_hand && walk.position == position) {
        ++walk.positions_matched;
        if (same_path(line.path, walk.path)) {
            ++walk.paths_matched;
        } else {
            line_finding(r, line.number, mask, true,
                         "the path differs from the one the " + layout_name(walk.layout) +
                             " table gives for the location field at " + hex8(position) + ": the listing has " +
                             shown(line.path.bytes) + ", the table " + shown(walk.path) +
                             " (is the listing from another table or version?)");
        }
        // The new location field differs from the old one: another sector or size.
        if (line.entry.offset / sector_bytes != walk.offset / sector_bytes || line.entry.size != walk.size) {
            ++walk.changing_lines;
        } else {
            ++walk.unchanged;
        }
        release(walk);
        return;
    }
    // Past the point where the walk stopped nothing can be told; the
    // table's own finding says where that is. Nor behind the point where an
    // earlier line out of place took the walk: that line has its finding.
    if (!walk.in_hand && walk.met) return;
    if (walk.has_previous && position <= walk.previous_position) return;
    std::string text = "location position " + hex8(position) + " is not the location field of a file record of the " +
                       layout_name(walk.layout) + " table";
    bool previous_nearer =
        walk.has_previous && (!walk.in_hand || position - walk.previous_position <= walk.position - position);
    if (previous_nearer) {
        text += "; the nearest is " + shown(walk.previous_path) + " at " + hex8(walk.previous_position);
    } else if (walk.in_hand) {
        text += "; the nearest is " + shown(walk.path) + " at " + hex8(walk.position);
    } else {
        text += ", which has no file record";
    }
    line_finding(r, line.number, mask, true, text);
}

// The new table ------------------------------------------------------------

// tablebuild run in thought: the bytes it would write, compared as they come
// with the new table that it wrote.
struct rebuild_check {
    std::unique_ptr<in_channel> old_table, new_table;
    std::int64_t base = 0;
    std::int64_t written = 0;    // bytes tablebuild has written so far
    bool stopped = false;        // tablebuild stops with an error: nothing more is written
    std::int64_t stop_line = 0;  // the listing line it stops at; 0 at the end of the listing
    bool old_empty = false;
    std::int64_t new_read = 0;  // bytes of the new table compared so far
    bool new_ended = false;
    std::int64_t differing_bytes = 0, differing_fields = 0;
};

void stop_rebuild(rebuild_check& check, std::int64_t line) {
    if (check.stopped) return;
    check.stopped = true;
    check.stop_line = line;
}

void differing_byte(rebuild_check& check, report& r, std::int64_t position, unsigned char found, unsigned char wanted) {
    if (++check.differing_bytes > max_bytes_listed) return;
    file_finding(
        r, r.new_table_findings, r.new_table_name, true,
        "byte at " + hex8(position) + " is " + hex_text(found, 2) + ", tablebuild writes " + hex_text(wanted, 2));
}

// Compares bytes that tablebuild writes at check.written with the new table.
void compare_written(rebuild_check& check, report& r, std::string_view wanted) {
    std::size_t done = 0;
    while (done < wanted.size() && !check.new_ended) {
        if (!load_ahead(*check.new_table)) {
            check.new_ended = true;
            break;
        }
        std::string_view found = buffered_ahead(*check.new_table);
        std::size_t n = std::min(found.size(), wanted.size() - done);
        if (std::memcmp(found.data(), wanted.data() + done, n) != 0) {
            for (std::size_t i = 0; i < n; ++i) {
                if (found[i] != wanted[done + i]) {
                    differing_byte(check, r, check.written + static_cast<std::int64_t>(done + i),
                                   static_cast<unsigned char>(found[i]), static_cast<unsigned char>(wanted[done + i]));
                }
            }
        }
        consume(*check.new_table, n);
        check.new_read += static_cast<std::int64_t>(n);
        done += n;
    }
    check.written += static_cast<std::int64_t>(wanted.size());
}

// tablebuild copies the old table up to `end`; for a listing line, meeting
// the end of the old table first stops it (End_of_file).
// `line` is the listing line being applied, 0 for the copy of the rest.
void compare_copy(rebuild_check& check, report& r, std::int64_t end, std::int64_t line) {
    while (check.written < end) {
        if (!load_ahead(*check.old_table)) {
            if (line > 0) stop_rebuild(check, line);
            return;
        }
        std::string_view ahead = buffered_ahead(*check.old_table);
        auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(end - check.written, static_cast<std::int64_t>(ahead.size())));
        compare_written(check, r, ahead.substr(0, n));
        consume(*check.old_table, n);
    }
}

std::string field_text(std::string_view field) {
    auto byte = [&](std::size_t i) { return std::int64_t{static_cast<unsigned char>(field[i])}; };
    return "sector " + sector_text(byte(0) | byte(1) << 8 | byte(2) << 16) + ", size " +
           hex8(byte(3) | byte(4) << 8 | byte(5) << 16 | byte(6) << 24);
}

// What tablebuild does with a line it accepts: copy up to the location
// field, write the new one, skip the old one.
void compare_line(rebuild_check& check, report& r, const line_read& line) {
    if (check.stopped) return;
    compare_copy(check, r, line.entry.position, line.number);
    if (check.stopped) return;
    std::int64_t sector = line.entry.offset / sector_bytes + check.base;
    std::string field;
    for (int shift = 0; shift < 24; shift += 8) field += static_cast<char>((sector >> shift) & 0xFF);
    for (int shift = 0; shift < 32; shift += 8) field += static_cast<char>((line.entry.size >> shift) & 0xFF);

    // The field is compared whole, and reported by its listing line.
    std::string found;
    while (found.size() < field.size() && !check.new_ended) {
        if (!load_ahead(*check.new_table)) {
            check.new_ended = true;
            break;
        }
        std::size_t n = std::min(field.size() - found.size(), buffered_ahead(*check.new_table).size());
        found.append(buffered_ahead(*check.new_table).substr(0, n));
        consume(*check.new_table, n);
        check.new_read += static_cast<std::int64_t>(n);
    }
    if (found.size() == field.size() && found != field) {
        ++check.differing_fields;
        if (check.differing_fields <= max_shown) {
            file_finding(r, r.new_table_findings, r.new_table_name, true,
                         "location field at " + hex8(line.entry.position) + " (listing line " +
                             std::to_string(line.number) + ") holds " + field_text(found) + "; tablebuild writes " +
                             field_text(field));
        } else {
            count(r, both_layouts, true);
        }
    }
    check.written += static_cast<std::int64_t>(field.size());
    // The old field is passed over; past the end of the old table is no error.
    advance_input(*check.old_table, static_cast<std::int64_t>(field.size()));
}

// After the listing: the rest of the old table (when tablebuild got that
// far), then whatever the new table holds beyond what tablebuild writes.
bool finish_rebuild(rebuild_check& check, report& r) {
    if (!check.stopped) compare_copy(check, r, std::numeric_limits<std::int64_t>::max(), 0);
    if (check.differing_bytes > max_bytes_listed) {
        file_finding(r, r.new_table_findings, r.new_table_name, true,
                     std::to_string(check.differing_bytes - max_bytes_listed) +
                         " more bytes differ outside the location fields");
    }
    std::int64_t new_length = check.new_read + bytes_left(*check.new_table);
    if (check.stopped) {
        file_finding(r, r.new_table_findings, r.new_table_name, true,
                     check.stop_line > 0 ? "tablebuild stops at listing line " + std::to_string(check.stop_line) +
                                               ": the table it leaves lacks the rest of the old table, so no new "
                                               "table made from this listing is complete"
                     : check.old_empty ? "tablebuild stops at once on the empty old table"
                                       : "tablebuild stops at the end of the listing, which has no final NUL byte: "
                                         "the table it leaves lacks the rest of the old table");
    }
    if (new_length != check.written) {
        std::string text = "the table is " + std::to_string(new_length) + " bytes long; tablebuild makes " +
                           std::to_string(check.written) + " bytes";
        if (check.stopped) text += " before it stops";
        file_finding(r, r.new_table_findings, r.new_table_name, true, text);
    }
    return check.differing_bytes == 0 && check.differing_fields == 0 && new_length == check.written && !check.stopped;
}

// Across lines ---------------------------------------------------------------

}  // namespace

// Every line whose data partly overlaps another line's, each with one line
// it overlaps, in line order. Identical ranges are data shared on purpose and
// pass. Sorted by start (then end), a range partly overlaps an earlier one
// exactly when the furthest end of the earlier, different ranges lies past
// its start, and a later one exactly when the next different range starts
// before its end.
std::deque<overlap> find_overlaps(std::deque<line_span>& spans) {
    std::sort(spans.begin(), spans.end(), [](const line_span& a, const line_span& b) {
        return a.first != b.first ? a.first < b.first : a.end != b.end ? a.end < b.end : a.line < b.line;
    });
    std::deque<overlap> found;
    std::uint32_t reach_end = 0, reach_line = 0;  // the earlier range that ends furthest
    for (std::size_t i = 0, next; i < spans.size(); i = next) {
        // [i, next): the lines with the very same range.
        for (next = i + 1;
             next < spans.size() && spans[next].first == spans[i].first && spans[next].end == spans[i].end; ++next) {
        }
        std::uint32_t partner = 0;
        if (reach_end > spans[i].first) {
            partner = reach_line;
        } else if (next < spans.size() && spans[next].first < spans[i].end) {
            partner = spans[next].line;
        }
        if (partner != 0) {
            for (std::size_t k = i; k < next; ++k) found.push_back({spans[k].line, partner});
        }
        if (spans[i].end > reach_end) {
            reach_end = spans[i].end;
            reach_line = spans[i].line;
        }
    }
    std::sort(found.begin(), found.end(), [](const overlap& a, const overlap& b) { return a.line < b.line; });
    return found;
}

namespace {

std::string span_text(const line_span& span, std::int64_t base) {
    return "sectors " + sector_text(span.first + base) + "-" + sector_text(span.end + base - 1);
}

// The listing ----------------------------------------------------------------

// Why tablebuild cannot read a line, from what the reader raised and how far
// into the line it got.
std::string unreadable_line(const error& e, std::int64_t read, const path_text& path) {
    std::string stops = " (tablebuild stops here with " + compose_error_text(e) + ")";
    if (e.kind == error_kind::end_of_file) {
        if (path.bytes.find('\n') != std::string::npos) {
            return "the line has no carriage return: the listing's lines end with a bare line feed (did a text "
                   "editor drop the carriage returns?)" +
                   stops;
        }
        return "the listing ends inside this line" + stops;
    }
    const char* field = read <= 8 ? "data offset" : read <= 17 ? "data size" : "location position";
    std::string text = std::string("the ") + field +
                       " field is not a number tablebuild reads: 8 hexadecimal digits, \"_\" allowed after the first";
    if (read > 17) text += ", below 80000000";
    return text + stops;
}

}  // namespace

int lbacheck_main(const argument_list& args) {
    print_banner("Drovenna LBA Checker\n");
    if (args.size() != 3 && args.size() != 4) {
        // Status 2, not 0: a script must never take a mistyped check for a pass.
        print_usage(args, {" 00file lbaname [new00file]\n\n",
                           "Where 00file is the table file the listing was extracted from,\n",
                           "lbaname is the listing to check before tablebuild runs,\n",
                           "and new00file, if given, the new table that tablebuild wrote from them.\n\n"});
        return 2;
    }
    report r;
    r.table_name = argument(args, 1);
    r.listing_name = argument(args, 2);

    // Each walk reads the table on a channel of its own; the inputs are
    // opened in the order of the command line, and nothing is written.
    table_walk walks[layout_count];
    start_walk(walks[layout_2], layout_2, r.table_name);
    start_walk(walks[layout_1], layout_1, r.table_name);
    auto listing = open_in(r.listing_name);
    std::optional<rebuild_check> rebuilt;
    if (args.size() == 4) {
        r.new_table_name = argument(args, 3);
        rebuilt.emplace();
        rebuilt->old_table = open_in(r.table_name);
        rebuilt->new_table = open_in(r.new_table_name);
        if (!load_ahead(*rebuilt->old_table)) {
            rebuilt->stopped = true;  // tablebuild meets End_of_file on the base sector
            rebuilt->old_empty = true;
        } else {
            rebuilt->base = static_cast<unsigned char>(buffered_ahead(*rebuilt->old_table)[0]);
        }
    }
    const std::int64_t base = walks[layout_2].base;

    // One pass over the listing, with both walks and the rebuild in step.
    std::deque<line_span> spans;
    std::int64_t lines = 0;
    std::int64_t lines_data_end = 0;
    // tablebuild needs each location position at least 7 above the one of
    // the line before.
    std::int64_t order_end = 0;   // where the location field of the line before ends
    std::int64_t order_line = 0;  // that line
    bool order_line_out = false;  // whether that line was out of order itself
    bool listing_ended = false;   // the final NUL was read
    for (std::int64_t number = 1;; ++number) {
        line_read line;
        line.number = number;
        std::int64_t start = input_offset(*listing);
        if (auto e = finding_of([&] { line.entry = read_listing_entry(*listing, &line.path); })) {
            std::int64_t read = input_offset(*listing) - start;
            if (read > 0 || e->kind != error_kind::end_of_file) {
                line_finding(r, number, both_layouts, true, unreadable_line(*e, read, line.path));
            }
            if (e->kind == error_kind::end_of_file) {
                file_finding(r, r.listing_findings, r.listing_name, true,
                             "no final NUL byte where a line would begin: tablebuild would apply every line before, "
                             "then stop with End_of_file and leave the new table cut short after the last location "
                             "field");
            }
            if (rebuilt) stop_rebuild(*rebuilt, read > 0 ? number : 0);
            break;
        }
        const listing_entry& entry = line.entry;
        if (entry.end) {
            listing_ended = true;
            break;
        }
        if (entry.path_has_line_feed) {
            line_finding(r, number, both_layouts, true,
                         "the path holds a line feed: this line runs on into the next, the listing's lines must end "
                         "with a carriage return and a line feed (tablebuild stops here)");
            if (rebuilt) stop_rebuild(*rebuilt, number);
            break;
        }
        if (entry.position >= max_table_position) {
            line_finding(r, number, both_layouts, true,
                         "location position " + hex8(entry.position) +
                             " lies beyond the largest table supported, 3FFFFFFF (tablebuild stops here)");
            if (rebuilt) stop_rebuild(*rebuilt, number);
            break;
        }
        ++lines;
        if (entry.size > 0) {
            // Sectors counted from the base sector, which all lines share.
            spans.push_back({static_cast<std::uint32_t>(entry.offset / sector_bytes),
                             static_cast<std::uint32_t>(data_end(entry.offset, entry.size, 0)),
                             static_cast<std::uint32_t>(number)});
            lines_data_end = std::max(lines_data_end, data_end(entry.offset, entry.size, base));
        }

        if (entry.position < order_end) {
            line_finding(r, number, both_layouts, true,
                         "location position " + hex8(entry.position) +
                             " overlaps or precedes the location field of line " + std::to_string(order_line) +
                             ", which ends at " + hex8(order_end) +
                             ": tablebuild needs the lines in the order of the table, and stops here");
            if (rebuilt) stop_rebuild(*rebuilt, number);
            // Two lines swapped: the first of them is out of place too.
            if (!order_line_out) {
                line_finding(r, order_line, both_layouts, true,
                             "this line's location field, at " + hex8(order_end - 7) +
                                 ", ends past the location position " + hex8(entry.position) + " of line " +
                                 std::to_string(number) + ", later in the listing: the lines are out of table order");
            }
        } else {
            for (table_walk& walk : walks) match_line(walk, line, r);
            if (rebuilt) compare_line(*rebuilt, r, line);
        }
        // The next line is held to this one, even when this one is out of
        // place: one position far ahead makes one finding, not one a line.
        order_line_out = entry.position < order_end;
        order_end = entry.position + 7;
        order_line = number;

        if (entry.offset % sector_bytes != 0) {
            std::int64_t sector = sector_of(entry, base);
            line_finding(r, number, both_layouts, true,
                         "data offset " + hex8(entry.offset) + " is not a multiple of 2048: tablebuild writes sector " +
                             sector_text(sector) + " (data offset " + hex8(entry.offset / sector_bytes * sector_bytes) +
                             "), so the game reads the " + std::to_string(entry.offset % sector_bytes) +
                             " bytes before the offset as the start of the file");
        }
        // The bytes tablebuild passes over unread.
        if (entry.line_end < 0) {
            line_finding(r, number, both_layouts, true,
                         "the listing ends right after this line's carriage return: its line feed and the final NUL "
                         "byte are missing");
        } else if (entry.line_end != '\n') {
            line_finding(r, number, both_layouts, true,
                         entry.line_end == 0
                             ? std::string("the carriage return is followed by a NUL byte, not a line feed: tablebuild "
                                           "passes over the NUL as the line feed, so it does not end the listing")
                             : "the carriage return is followed by the byte " + hex_text(entry.line_end, 2) +
                                   ", not a line feed: tablebuild passes over it as the line feed, so the next line "
                                   "starts a byte late");
        }
        for (int i = 0; i < 3; ++i) {
            if (entry.separators[i] != '|') {
                line_finding(r, number, both_layouts, false,
                             "the byte " + hex_text(entry.separators[i], 2) + " at column " +
                                 std::to_string(9 * i + 9) +
                                 " stands where \"|\" separates the fields; tablebuild does not look at it");
            }
        }
    }
    if (listing_ended) {
        std::int64_t after = bytes_left(*listing);
        if (after > 0) {
            file_finding(r, r.listing_findings, r.listing_name, false,
                         std::to_string(after) + " bytes after the final NUL byte, which tablebuild ignores");
        }
    }

    // The records after the last line, to the end of each walk.
    for (table_walk& walk : walks) walk_up_to(walk, std::numeric_limits<std::int64_t>::max());
    bool new_table_matches = rebuilt ? finish_rebuild(*rebuilt, r) : true;

    // The table's layout: the walk whose file records carry the listing's
    // location positions; then the one whose paths match more lines; then
    // the one that reads the table to its end byte; then episodes II/III.
    auto score = [](const table_walk& w) { return std::make_tuple(w.positions_matched, w.paths_matched, w.ended); };
    const int chosen = score(walks[layout_1]) > score(walks[layout_2]) ? layout_1 : layout_2;
    const table_walk& walk = walks[chosen];
    if (walk.met) {
        std::string text;
        for (const table_walk& w : walks) {
            text += text.empty() ? "" : "; ";
            text += "the " + layout_name(w.layout) + " walk ";
            text += w.met ? "stops at position " + hex8(w.stop_position) + " with " + compose_error_text(*w.met)
                          : std::string("reads it to its end byte");
        }
        std::string lead = walks[1 - chosen].met ? "neither layout reads the table to its end byte: "
                                                 : "the table cannot be read to its end byte with the " +
                                                       layout_name(chosen) + " layout, which fits the listing best: ";
        r.table_findings.push_back({0, both_layouts, true, r.table_name + ": error: " + lead + text});
        ++r.errors[chosen];
    }

    // Partly overlapping data, named by both lines.
    std::deque<overlap> overlaps = find_overlaps(spans);
    r.warnings[chosen] += static_cast<std::int64_t>(overlaps.size());
    std::deque<line_span> by_line;  // the spans again, by line, for the texts of the overlaps shown
    {
        std::vector<std::uint32_t> wanted;
        for (const overlap& o : overlaps) {
            if (static_cast<std::int64_t>(wanted.size()) >= 2 * max_shown) break;
            wanted.push_back(o.line);
            wanted.push_back(o.other);
        }
        std::sort(wanted.begin(), wanted.end());
        for (const line_span& span : spans) {
            if (std::binary_search(wanted.begin(), wanted.end(), span.line)) by_line.push_back(span);
        }
        std::sort(by_line.begin(), by_line.end(),
                  [](const line_span& a, const line_span& b) { return a.line < b.line; });
    }
    auto span_of = [&](std::uint32_t line) {
        return *std::lower_bound(by_line.begin(), by_line.end(), line,
                                 [](const line_span& s, std::uint32_t l) { return s.line < l; });
    };

    // The report: the errors first, so that no number of warnings can hide
    // one; each kind in the order of the files: the table, the lines, the
    // listing as a whole, the new table.
    std::int64_t printed = 0;
    auto emit = [&](const std::string& text) {
        if (printed >= max_shown) return;
        print(text);
        print("\n");
        ++printed;
    };
    for (const finding& f : r.table_findings) emit(f.text);
    std::stable_sort(r.line_findings.begin(), r.line_findings.end(),
                     [](const finding& a, const finding& b) { return a.line < b.line; });
    for (const finding& f : r.line_findings) {
        if (f.is_error && (f.layouts & (1 << chosen))) emit(f.text);
    }
    for (const finding& f : r.listing_findings) {
        if (f.is_error) emit(f.text);
    }
    for (const finding& f : r.new_table_findings) emit(f.text);
    // The warnings about lines, in line order.
    auto overlap_text = [&](const overlap& o) {
        return r.listing_name + ":" + std::to_string(o.line) + ": warning: the data (" +
               span_text(span_of(o.line), base) + ") partly overlaps that of line " + std::to_string(o.other) + " (" +
               span_text(span_of(o.other), base) + ")";
    };
    std::size_t next_overlap = 0;
    for (const finding& f : r.line_findings) {
        if (f.is_error || !(f.layouts & (1 << chosen))) continue;
        for (; next_overlap < overlaps.size() && overlaps[next_overlap].line < f.line && printed < max_shown;
             ++next_overlap) {
            emit(overlap_text(overlaps[next_overlap]));
        }
        emit(f.text);
    }
    for (; next_overlap < overlaps.size() && printed < max_shown; ++next_overlap) {
        emit(overlap_text(overlaps[next_overlap]));
    }
    for (const finding& f : r.listing_findings) {
        if (!f.is_error) emit(f.text);
    }
    const std::int64_t errors = r.errors[chosen];
    const std::int64_t warnings = r.warnings[chosen];
    if (errors + warnings > printed)
        print(std::to_string(errors + warnings - printed) + " more diagnostics not shown\n");

    // The summary.
    std::int64_t end = std::max(lines_data_end, walk.unnamed_data_end);
    std::string summary = "Summary: " + layout_name(chosen) + " layout; " + std::to_string(lines) + " lines, " +
                          std::to_string(walk.changing_lines) + " of them changing the table; " +
                          std::to_string(walk.unchanged) + " of " + std::to_string(walk.records) +
                          " file records left unchanged; ";
    if (end > 0) {
        std::int64_t tenths = (end * sector_bytes * 10 + (1 << 19)) >> 20;
        summary += "data ends at sector " + sector_text(end - 1) + " (" + std::to_string(tenths / 10) + "." +
                   std::to_string(tenths % 10) + " MiB); ";
    } else {
        summary += "no file data; ";
    }
    summary += std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") + std::to_string(warnings) +
               (warnings == 1 ? " warning" : " warnings");
    if (rebuilt) {
        summary += rebuilt->stopped    ? "; no new table can be complete"
                   : new_table_matches ? "; the new table matches"
                                       : "; the new table differs";
    }
    print(summary + "\n");

    // A report that cannot be written must not pass for a clean check.
    flush(standard_output());
    for (table_walk& w : walks) close_in(*w.table);
    close_in(*listing);
    if (rebuilt) {
        close_in(*rebuilt->old_table);
        close_in(*rebuilt->new_table);
    }
    return errors > 0 ? 1 : 0;
}

}  // namespace drovenna
