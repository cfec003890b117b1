// The platform layer: the only code that knows which operating system it runs
// on. Everything above it (channels, command line, programs) is the same on
// POSIX and Windows. Each operation returns 0 on success or a system error
// code that `error_reason` turns into the reason text of a Sys_error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drovenna::platform {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
struct file {
    std::intptr_t handle = -1;
};

// Identity of a file on its volume, to tell when two names designate one file.
struct file_identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const file_identity&) const = default;
};

// Called once before anything else: a closed pipe must show up as a failed
// write, not kill the process.
void prepare_process();

int open_for_reading(const std::string& path, file& result);
// Created if missing (permission bits 0666 less the umask), truncated if present.
int open_for_writing(const std::string& path, file& result);
// Reads up to `capacity` bytes; `got` is 0 at the end of the file.
int read_some(file f, unsigned char* buffer, std::int64_t capacity, std::int64_t& got);
// Writes all `count` bytes or fails; `written` tells how many reached the system.
// With `text` set, each line feed goes out as the platform's line end.
int write_all(file f, const unsigned char* data, std::int64_t count, bool text, std::int64_t& written);
int seek_to(file f, std::int64_t offset);
int close_file(file f);

file standard_output();
file standard_error();

// The reason text of a Sys_error for a system error code.
std::string error_reason(int code);

bool identity_of_file(file f, file_identity& result);
// False when the path designates no file that can be examined.
bool identity_of_path(const std::string& path, file_identity& result);

// The command line as the system hands it over, split into arguments but not
// yet expanded.
std::vector<std::string> raw_arguments(int argc, char** argv);

// Names (without directory) of the entries of the pattern's directory that
// match the pattern's last component, in the order the system lists them.
// False when the directory cannot be listed.
bool matching_entries(const std::string& pattern, std::vector<std::string>& names);

}  // namespace drovenna::platform
