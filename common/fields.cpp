#include "fields.hpp"

#include "error.hpp"

namespace drovenna {

std::string read_bytes(in_channel& in, std::int64_t n) {
    if (n < 0) raise_invalid_argument("String.create");
    std::string_view ahead = buffered_ahead(in);
    if (static_cast<std::size_t>(n) <= ahead.size()) {
        // All of them in the buffer already: one copy.
        std::string bytes(ahead.substr(0, static_cast<std::size_t>(n)));
        consume(in, static_cast<std::size_t>(n));
        return bytes;
    }
    std::string bytes(static_cast<std::size_t>(n), '\0');
    for (auto& b : bytes) b = static_cast<char>(input_byte(in));
    return bytes;
}

std::string read_name(std::int64_t n, in_channel& in) { return read_bytes(in, n - 3); }

std::int64_t read_lba_offset(in_channel& in, std::int64_t base) {
    std::string_view ahead = buffered_ahead(in);
    if (ahead.size() >= 3) {
        // In the buffer already: no check per byte.
        auto b = reinterpret_cast<const unsigned char*>(ahead.data());
        consume(in, 3);
        return (b[0] + 256 * std::int64_t{b[1]} + 65536 * std::int64_t{b[2]} - base) * 2048;
    }
    std::int64_t b0 = input_byte(in);
    std::int64_t b1 = input_byte(in);
    std::int64_t b2 = input_byte(in);
    std::int64_t sector = b0 + 256 * b1 + 65536 * b2;
    return (sector - base) * 2048;
}

std::int64_t read_u32(in_channel& in) {
    std::string_view ahead = buffered_ahead(in);
    if (ahead.size() >= 4) {
        auto b = reinterpret_cast<const unsigned char*>(ahead.data());
        consume(in, 4);
        return b[0] | std::int64_t{b[1]} << 8 | std::int64_t{b[2]} << 16 | std::int64_t{b[3]} << 24;
    }
    std::int64_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= std::int64_t{input_byte(in)} << shift;
    return value;
}

std::string dir_path(const dir_list& dirs) {
    std::string path = "\\";
    for (const auto& name : dirs) {
        path += name;
        path += '\\';
    }
    return path;
}

void write_dir_path(out_channel& out, const dir_list& dirs) {
    output_byte(out, '\\');
    for (const auto& name : dirs) {
        output_bytes(out, name);
        output_byte(out, '\\');
    }
}

}  // namespace drovenna
