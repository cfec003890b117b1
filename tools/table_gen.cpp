#include "table_gen.hpp"

#include <algorithm>
#include <stdexcept>

namespace table_gen {

namespace {

// splitmix64: small, fast, and the same sequence with every compiler and
// standard library, so a seed names the same table everywhere.
struct rng {
    std::uint64_t state = 0;
};

std::uint64_t next(rng& r) {
    std::uint64_t z = (r.state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// A value in [0, n), n > 0.
std::int64_t below(rng& r, std::int64_t n) {
    return static_cast<std::int64_t>(next(r) % static_cast<std::uint64_t>(n));
}

// A value in [low, high].
std::int64_t between(rng& r, std::int64_t low, std::int64_t high) { return low + below(r, high - low + 1); }

bool chance(rng& r, int percent) { return below(r, 100) < percent; }

// The reader keeps the last file name in a buffer of this size, first filled
// with 'a' bytes and never cleared.
constexpr std::size_t file_buffer_size = 127;
// Offsets are (sector - base) * 2048 and must fit in 8 hexadecimal digits.
constexpr std::int64_t sector_span = std::int64_t{1} << 21;

// A byte a name may hold: anything but NUL, CR and LF (a name holding CR or
// LF could not be read back from the listing). Mostly plain characters, so
// the merges find something to share.
char name_byte(rng& r) {
    static const char plain[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_.-";
    if (chance(r, 90)) return plain[below(r, sizeof plain - 1)];
    for (;;) {
        auto byte = static_cast<unsigned char>(between(r, 1, 255));
        if (byte != '\r' && byte != '\n') return static_cast<char>(byte);
    }
}

std::string name_bytes(rng& r, std::int64_t n) {
    std::string bytes;
    for (std::int64_t i = 0; i < n; ++i) bytes += name_byte(r);
    return bytes;
}

// Bytes no reader ever interprets: any value.
std::string junk(rng& r, std::int64_t n) {
    std::string bytes;
    for (std::int64_t i = 0; i < n; ++i) bytes += static_cast<char>(below(r, 256));
    return bytes;
}

// Bytes behind the NUL of a whole file name. They land in the reader's name
// buffer, where a later merge may pick them up, so they are name bytes or NULs.
std::string padding(rng& r, std::int64_t n) {
    std::string bytes;
    for (std::int64_t i = 0; i < n; ++i) bytes += chance(r, 30) ? '\0' : name_byte(r);
    return bytes;
}

// An episode I name: whole field bytes, where a NUL is just another byte.
std::string raw_name(rng& r, std::int64_t n) {
    std::string bytes = name_bytes(r, n);
    if (chance(r, 15)) {
        for (auto& b : bytes) {
            if (chance(r, 30)) b = '\0';
        }
    }
    return bytes;
}

struct builder {
    rng r;
    int episode = 2;
    int base = 0;
    int max_depth = 1;
    std::string table;
    std::vector<listing_line> lines;
    std::vector<std::string> dirs;                               // open directories, outermost first
    std::string file_name = std::string(file_buffer_size, 'a');  // the reader's last-file-name buffer
};

void put_le(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string dir_path(const std::vector<std::string>& dirs) {
    std::string path = "\\";
    for (const auto& dir : dirs) path += dir + "\\";
    return path;
}

// A file record once its head (lead, merge byte, name field) is known: the
// location field, the long form's extra field, and the listing line.
void finish_file_record(builder& b, int head_length, const std::string& head, const std::string& name) {
    bool long_form = chance(b.r, 20);
    b.table += static_cast<char>(long_form ? 0x40 + head_length : head_length);
    b.table += head;

    std::int64_t span = below(b.r, sector_span);
    if (chance(b.r, 5)) span = chance(b.r, 50) ? 0 : sector_span - 1;
    std::uint32_t size = static_cast<std::uint32_t>(next(b.r));
    if (chance(b.r, 50)) size &= 0xFFFFF;
    if (chance(b.r, 5)) size = chance(b.r, 50) ? 0 : 0xFFFFFFFF;

    listing_line line;
    line.offset = static_cast<std::uint32_t>(span * 2048);
    line.size = size;
    line.position = static_cast<std::uint32_t>(b.table.size());
    line.path = dir_path(b.dirs) + name;
    b.lines.push_back(std::move(line));

    put_le(b.table, static_cast<std::uint64_t>(b.base + span), 3);
    put_le(b.table, size, 4);
    if (long_form) b.table += junk(b.r, 3);
}

// How many directories the next directory record closes: often none or one,
// sometimes every open one; at the deepest level at least one.
int choose_close_count(builder& b) {
    auto open = static_cast<std::int64_t>(b.dirs.size());
    if (open == 0) return 0;
    std::int64_t roll = below(b.r, 100);
    std::int64_t count = roll < 35 ? 0 : roll < 75 ? 1 : roll < 90 ? open : between(b.r, 0, open);
    if (count == 0 && open >= b.max_depth) count = 1;
    return static_cast<int>(count);
}

// Episode II/III -----------------------------------------------------------

// A file name merged into the previous one: the copied bytes overwrite the
// buffer from `back` + 1 bytes before its NUL. Returns false when the buffer
// offers nothing to merge into.
bool merged_file_head(builder& b, std::string& head, std::string& name) {
    std::string& buffer = b.file_name;
    auto old_length = static_cast<std::int64_t>(buffer.find('\0'));
    if (buffer.find('\0') == std::string::npos || old_length == 0) return false;
    std::int64_t back = below(b.r, std::min<std::int64_t>(16, old_length));
    std::int64_t start = old_length - back - 1;
    std::int64_t room = static_cast<std::int64_t>(file_buffer_size) - start;

    std::string copied;
    std::int64_t kind = below(b.r, 3);
    if (kind == 2) {
        // Past the old NUL without a NUL of its own: the name runs on into
        // the older bytes behind it, up to the next NUL there.
        std::int64_t low = old_length - start + 1;
        std::int64_t high = std::min<std::int64_t>(15, room);
        if (low <= high) {
            copied = name_bytes(b.r, between(b.r, low, high));
            std::string after = buffer;
            after.replace(static_cast<std::size_t>(start), copied.size(), copied);
            if (after.find('\0') == std::string::npos) copied.clear();  // nothing would end the name
        }
        if (copied.empty()) kind = 1;
    }
    if (kind == 0) {
        // Brings its own NUL: the new name ends where the copied bytes do.
        copied = name_bytes(b.r, between(b.r, 0, std::min<std::int64_t>(14, room - 1))) + '\0';
    } else if (kind == 1) {
        // Stops at or before the old NUL: the old name's tail stays.
        copied = name_bytes(b.r, between(b.r, 1, std::min<std::int64_t>(15, old_length - start)));
    }

    buffer.replace(static_cast<std::size_t>(start), copied.size(), copied);
    name = buffer.substr(0, buffer.find('\0'));
    // Bytes past the copy count are never read into the name.
    std::string field = copied + junk(b.r, between(b.r, 0, 3));
    head = static_cast<char>(back * 16 + static_cast<std::int64_t>(copied.size()));
    head += field;
    return true;
}

void whole_file_head(builder& b, std::string& head, std::string& name) {
    name = name_bytes(b.r, chance(b.r, 2) ? 0 : between(b.r, 1, 24));
    // Usually the name and its NUL, then leftover bytes; sometimes no NUL,
    // and the name buffer keeps the NUL of an older, longer name.
    std::string field = chance(b.r, 90) ? name + '\0' + padding(b.r, between(b.r, 0, 3)) : name;
    b.file_name.replace(0, field.size(), field);
    // A copy count of 0 marks a whole name; the back count means nothing then.
    head = static_cast<char>(below(b.r, 16) * 16);
    head += field;
}

void add_file_record_2(builder& b) {
    std::string head, name;
    if (!(chance(b.r, 60) && merged_file_head(b, head, name))) whole_file_head(b, head, name);
    // The head length counts the lead and merge bytes and the name field.
    finish_file_record(b, static_cast<int>(head.size()) + 1, head, name);
}

void add_directory_record_2(builder& b) {
    int close_count = choose_close_count(b);
    std::string sibling;  // the name of the directory closed last: the outermost closed
    if (close_count > 0) sibling = b.dirs[b.dirs.size() - static_cast<std::size_t>(close_count)];
    b.dirs.resize(b.dirs.size() - static_cast<std::size_t>(close_count));

    std::string field, name;
    int merge = 0;
    if (!sibling.empty() && chance(b.r, 50)) {
        // Merged into the sibling's name, followed by its NUL and filler.
        auto old_length = static_cast<std::int64_t>(sibling.size());
        std::int64_t back = below(b.r, std::min<std::int64_t>(16, old_length));
        std::int64_t start = old_length - back - 1;
        if (chance(b.r, 50)) {
            std::string tail = name_bytes(b.r, between(b.r, 0, 12));
            field = tail + '\0' + junk(b.r, between(b.r, 0, 3));
            name = sibling.substr(0, static_cast<std::size_t>(start)) + tail;
        } else {
            // No NUL: the field must stop at or before the old NUL.
            field = name_bytes(b.r, between(b.r, 0, old_length - start));
            name = sibling;
            name.replace(static_cast<std::size_t>(start), field.size(), field);
        }
        // Any non-zero merge byte merges; only its high nibble counts.
        merge = static_cast<int>(back * 16 + (back == 0 ? between(b.r, 1, 15) : below(b.r, 16)));
    } else {
        name = name_bytes(b.r, chance(b.r, 3) ? 0 : between(b.r, 1, 16));
        field = name + '\0' + junk(b.r, between(b.r, 0, 3));
    }
    b.table += static_cast<char>(0x80 + 3 + static_cast<int>(field.size()));
    b.table += static_cast<char>(close_count);
    b.table += static_cast<char>(merge);
    b.table += field;
    b.dirs.push_back(name);
}

// Episode I ------------------------------------------------------------------

void add_file_record_1(builder& b) {
    std::string name = raw_name(b.r, chance(b.r, 2) ? 0 : between(b.r, 1, 24));
    finish_file_record(b, static_cast<int>(name.size()) + 1, name, name);
}

void add_directory_record_1(builder& b) {
    int close_count = choose_close_count(b);
    b.dirs.resize(b.dirs.size() - static_cast<std::size_t>(close_count));
    std::string name = raw_name(b.r, chance(b.r, 3) ? 0 : between(b.r, 1, 13));
    // The record length is the low nibble; bits 4 to 6 are not looked at.
    b.table += static_cast<char>(0x80 + below(b.r, 8) * 16 + 2 + static_cast<std::int64_t>(name.size()));
    b.table += static_cast<char>(close_count);
    b.table += name;
    b.dirs.push_back(name);
}

void add_directory_record(builder& b) {
    if (b.episode == 1)
        add_directory_record_1(b);
    else
        add_directory_record_2(b);
}

char hex_digit(unsigned value) { return "0123456789ABCDEF"[value & 15]; }

void put_hex8(std::string& out, std::uint32_t value) {
    for (int shift = 28; shift >= 0; shift -= 4) out += hex_digit(value >> shift);
}

}  // namespace

generated_table generate_table(std::uint64_t seed, std::int64_t file_count, int episode) {
    if (episode != 1 && episode != 2) throw std::invalid_argument("episode must be 1 or 2");
    if (file_count < 0) throw std::invalid_argument("file count must not be negative");

    builder b;
    b.r.state = seed;
    b.episode = episode;
    b.base = chance(b.r, 10) ? 0 : chance(b.r, 10) ? 255 : static_cast<int>(below(b.r, 256));
    b.max_depth = static_cast<int>(between(b.r, 1, 8));
    int directory_share = static_cast<int>(between(b.r, 5, 40));  // percent of the records
    b.table += static_cast<char>(b.base);

    for (std::int64_t files = 0; files < file_count;) {
        if (chance(b.r, directory_share)) {
            add_directory_record(b);
        } else {
            if (episode == 1)
                add_file_record_1(b);
            else
                add_file_record_2(b);
            ++files;
        }
    }
    // Directories left empty at the very end.
    if (chance(b.r, 30)) {
        for (std::int64_t n = between(b.r, 1, 2); n > 0; --n) add_directory_record(b);
    }
    b.table += '\0';
    if (chance(b.r, 30)) b.table += junk(b.r, between(b.r, 1, 8));  // never read

    generated_table result;
    result.table = std::move(b.table);
    result.lines = std::move(b.lines);
    result.listing = format_listing(result.lines);
    return result;
}

std::string format_listing(const std::vector<listing_line>& lines) {
    std::string out;
    for (const auto& line : lines) {
        put_hex8(out, line.offset);
        out += '|';
        put_hex8(out, line.size);
        out += '|';
        put_hex8(out, line.position);
        out += '|';
        out += line.path;
        out += "\r\n";
    }
    out += '\0';
    return out;
}

}  // namespace table_gen
