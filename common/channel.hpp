// Buffered binary channels.
//
// The table walks read and write one byte at a time, so the per-byte paths
// below are inline and touch only the 4096-byte buffer; the system is called
// once per buffer, on an explicit flush, or on a seek that leaves the buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform.hpp"

namespace drovenna {

constexpr int channel_buffer_size = 4096;

// Positions at or above this limit cannot be reported ("Result too large").
constexpr std::int64_t max_channel_position = std::int64_t{1} << 30;

[[noreturn]] void raise_position_too_large();

struct in_channel {
    platform::file file;
    bool open = false;
    std::int64_t offset = 0;  // file position just past the last buffered byte
    int current = 0;          // next byte to hand out
    int filled = 0;           // bytes in the buffer
    unsigned char buffer[channel_buffer_size];

    in_channel() = default;
    in_channel(const in_channel&) = delete;
    in_channel& operator=(const in_channel&) = delete;
    ~in_channel();
};

struct out_channel {
    platform::file file;
    bool open = false;
    bool text = false;        // standard streams: line feeds become the platform's line end
    std::int64_t offset = 0;  // bytes handed to the system so far
    int used = 0;             // bytes waiting in the buffer
    unsigned char buffer[channel_buffer_size];

    out_channel() = default;
    out_channel(const out_channel&) = delete;
    out_channel& operator=(const out_channel&) = delete;
};

// Input -----------------------------------------------------------------

std::unique_ptr<in_channel> open_in(const std::string& path);
int refill(in_channel& channel);  // next byte after loading the buffer; End_of_file at the end

inline int input_byte(in_channel& channel) {
    if (channel.current < channel.filled) return channel.buffer[channel.current++];
    return refill(channel);
}

// Offset of the next byte a read returns; Sys_error("Result too large") from 2^30 on.
inline std::int64_t input_position(const in_channel& channel) {
    std::int64_t position = channel.offset - (channel.filled - channel.current);
    if (position >= max_channel_position) raise_position_too_large();
    return position;
}

// A target within the bytes of the buffer is reached without the system.
// Moving past the end is no error: the next read meets the end.
void set_input_position(in_channel& channel, std::int64_t position);

// For readers that take bytes in runs: the bytes already in the buffer ahead
// of the read position (possibly none), and taking n of them (n at most
// their count) as read.
inline std::string_view buffered_ahead(const in_channel& channel) {
    return {reinterpret_cast<const char*>(channel.buffer + channel.current),
            static_cast<std::size_t>(channel.filled - channel.current)};
}
inline void consume(in_channel& channel, std::size_t n) { channel.current += static_cast<int>(n); }

// Loads the next bytes of the file into the buffer, in place of those it
// held; false at the end of the input. The read position does not move.
bool load_next_buffer(in_channel& channel);

// When nothing is buffered ahead, loads the next bytes; false at the end.
inline bool load_ahead(in_channel& channel) { return channel.current < channel.filled || load_next_buffer(channel); }

// The next byte, or -1 at the end of the input.
inline int input_byte_or_end(in_channel& channel) {
    if (!load_ahead(channel)) return -1;
    return channel.buffer[channel.current++];
}

// The read position with no limit, for reports about inputs of any size.
inline std::int64_t input_offset(const in_channel& channel) {
    return channel.offset - (channel.filled - channel.current);
}

// Moves the read position by `delta` bytes, forward or back, without reading.
inline void advance_input(in_channel& channel, std::int64_t delta) {
    std::int64_t target = channel.current + delta;
    if (target >= 0 && target <= channel.filled) {
        channel.current = static_cast<int>(target);  // within the buffer: no system call
        return;
    }
    set_input_position(channel, channel.offset - (channel.filled - channel.current) + delta);
}
void close_in(in_channel& channel);

// Whether `path` names the file this channel reads, also through a link or
// under another spelling.
bool is_file_of(const in_channel& channel, const std::string& path);

// Output ----------------------------------------------------------------

// The new channel joins the registry of open output channels.
out_channel& open_out(const std::string& path);
void flush(out_channel& channel);
// Flushes, releases the file and leaves the registry.
void close_out(out_channel& channel);

inline void output_byte(out_channel& channel, unsigned char byte) {
    if (channel.used == channel_buffer_size) flush(channel);
    channel.buffer[channel.used++] = byte;
}

// Bytes that do not fit in the room left in the buffer: fills and flushes it as often as needed.
void output_bytes_through(out_channel& channel, std::string_view bytes);

inline void output_bytes(out_channel& channel, std::string_view bytes) {
    if (bytes.size() <= static_cast<std::size_t>(channel_buffer_size - channel.used)) {
        std::memcpy(channel.buffer + channel.used, bytes.data(), bytes.size());
        channel.used += static_cast<int>(bytes.size());
        return;
    }
    output_bytes_through(channel, bytes);
}
// Bytes written so far, buffered ones included; Sys_error("Result too large") from 2^30 on.
inline std::int64_t output_position(const out_channel& channel) {
    std::int64_t position = channel.offset + channel.used;
    if (position >= max_channel_position) raise_position_too_large();
    return position;
}

// Standard output is the first entry of the registry; standard error is not in it.
out_channel& standard_output();
out_channel& standard_error();

// Flushes every registered channel in opening order, ignoring failures.
void flush_all() noexcept;

}  // namespace drovenna
