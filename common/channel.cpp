#include "channel.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "error.hpp"

namespace drovenna {

namespace {

[[noreturn]] void raise_system(int code) { raise_sys_error(platform::error_reason(code)); }

out_channel& make_standard_channel(out_channel& channel, platform::file file) {
    channel.file = file;
    channel.open = true;
    channel.text = true;
    return channel;
}

// Open output channels in opening order; standard output comes first.
// Never destroyed: a run that stops on an error leaves its channels open and
// registered until the process ends, and they must stay reachable (and
// flushable) through the registry until then.
std::vector<out_channel*>& registry() {
    static auto& channels = *new std::vector<out_channel*>{&standard_output()};
    return channels;
}

}  // namespace

// Input -----------------------------------------------------------------

in_channel::~in_channel() {
    if (open) platform::close_file(file);
}

std::unique_ptr<in_channel> open_in(const std::string& path) {
    auto channel = std::make_unique<in_channel>();
    if (int code = platform::open_for_reading(path, channel->file)) {
        raise_sys_error(path + ": " + platform::error_reason(code));
    }
    channel->open = true;
    return channel;
}

void raise_position_too_large() { raise_sys_error("Result too large"); }

bool load_next_buffer(in_channel& channel) {
    std::int64_t got = 0;
    if (int code = platform::read_some(channel.file, channel.buffer, channel_buffer_size, got)) {
        raise_system(code);
    }
    if (got == 0) return false;
    channel.offset += got;
    channel.filled = static_cast<int>(got);
    channel.current = 0;
    return true;
}

int refill(in_channel& channel) {
    if (!load_next_buffer(channel)) raise_end_of_file();
    return channel.buffer[channel.current++];
}

void set_input_position(in_channel& channel, std::int64_t position) {
    std::int64_t buffer_start = channel.offset - channel.filled;
    if (position >= buffer_start && position <= channel.offset) {
        channel.current = static_cast<int>(position - buffer_start);
        return;
    }
    if (int code = platform::seek_to(channel.file, position)) raise_system(code);
    channel.offset = position;
    channel.current = 0;
    channel.filled = 0;
}

void close_in(in_channel& channel) {
    if (!channel.open) return;
    channel.open = false;
    channel.current = channel.filled = 0;
    if (int code = platform::close_file(channel.file)) raise_system(code);
}

bool is_file_of(const in_channel& channel, const std::string& path) {
    platform::file_identity in_id, path_id;
    return platform::identity_of_file(channel.file, in_id) && platform::identity_of_path(path, path_id) &&
           in_id == path_id;
}

// Output ----------------------------------------------------------------

out_channel& open_out(const std::string& path) {
    auto channel = std::make_unique<out_channel>();
    if (int code = platform::open_for_writing(path, channel->file)) {
        raise_sys_error(path + ": " + platform::error_reason(code));
    }
    channel->open = true;
    registry().push_back(channel.get());
    return *channel.release();
}

void flush(out_channel& channel) {
    if (channel.used == 0 || !channel.open) return;
    std::int64_t written = 0;
    int code = platform::write_all(channel.file, channel.buffer, channel.used, channel.text, written);
    // Whatever the system took is gone from the buffer, even when it failed midway.
    if (written > 0) {
        if (written < channel.used) {
            std::memmove(channel.buffer, channel.buffer + written, static_cast<std::size_t>(channel.used - written));
        }
        channel.used -= static_cast<int>(written);
        channel.offset += written;
    }
    if (code) raise_system(code);
}

void close_out(out_channel& channel) {
    flush(channel);
    auto& channels = registry();
    channels.erase(std::remove(channels.begin(), channels.end(), &channel), channels.end());
    channel.open = false;
    int code = platform::close_file(channel.file);
    if (&channel != &standard_output() && &channel != &standard_error()) delete &channel;
    if (code) raise_system(code);
}

void output_bytes_through(out_channel& channel, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        if (channel.used == channel_buffer_size) flush(channel);
        std::size_t room = static_cast<std::size_t>(channel_buffer_size - channel.used);
        std::size_t n = std::min(room, left);
        std::memcpy(channel.buffer + channel.used, data, n);
        channel.used += static_cast<int>(n);
        data += n;
        left -= n;
    }
}

out_channel& standard_output() {
    static out_channel channel;
    static out_channel& ready = make_standard_channel(channel, platform::standard_output());
    return ready;
}

out_channel& standard_error() {
    static out_channel channel;
    static out_channel& ready = make_standard_channel(channel, platform::standard_error());
    return ready;
}

void flush_all() noexcept {
    for (out_channel* channel : registry()) {
        try {
            flush(*channel);
        } catch (...) {
        }
    }
}

}  // namespace drovenna
