// POSIX side of the platform layer.
#include "command_line.hpp"
#include "platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace drovenna::platform {

namespace {

int descriptor(file f) { return static_cast<int>(f.handle); }

}  // namespace

void prepare_process() { std::signal(SIGPIPE, SIG_IGN); }

int open_for_reading(const std::string& path, file& result) {
    int fd;
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    result.handle = fd;
    return 0;
}

int open_for_writing(const std::string& path, file& result) {
    int fd;
    do fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    result.handle = fd;
    return 0;
}

int read_some(file f, unsigned char* buffer, std::int64_t capacity, std::int64_t& got) {
    ssize_t n;
    do n = ::read(descriptor(f), buffer, static_cast<std::size_t>(capacity));
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        got = 0;
        return errno;
    }
    got = n;
    return 0;
}

int write_all(file f, const unsigned char* data, std::int64_t count, bool, std::int64_t& written) {
    written = 0;
    while (written < count) {
        ssize_t n = ::write(descriptor(f), data + written, static_cast<std::size_t>(count - written));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        written += n;
    }
    return 0;
}

int seek_to(file f, std::int64_t offset) {
    if (::lseek(descriptor(f), static_cast<off_t>(offset), SEEK_SET) < 0) return errno;
    return 0;
}

int close_file(file f) {
    if (::close(descriptor(f)) < 0 && errno != EINTR) return errno;
    return 0;
}

file standard_output() { return file{STDOUT_FILENO}; }
file standard_error() { return file{STDERR_FILENO}; }

std::string error_reason(int code) { return std::strerror(code); }

bool identity_of_file(file f, file_identity& result) {
    struct stat st;
    if (::fstat(descriptor(f), &st) != 0) return false;
    result.volume = static_cast<std::uint64_t>(st.st_dev);
    result.index = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

bool identity_of_path(const std::string& path, file_identity& result) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    result.volume = static_cast<std::uint64_t>(st.st_dev);
    result.index = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

std::vector<std::string> raw_arguments(int argc, char** argv) {
    // The shell has split the command line already; take the words as they come.
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

bool matching_entries(const std::string& pattern, std::vector<std::string>& names) {
    std::string directory = pattern_directory_part(pattern);
    std::string_view wanted = std::string_view(pattern).substr(directory.size());
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return false;
    while (struct dirent* entry = ::readdir(dir)) {
        if (pattern_matches(wanted, entry->d_name)) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return true;
}

}  // namespace drovenna::platform
