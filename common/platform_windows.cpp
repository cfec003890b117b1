// Windows side of the platform layer.
//
// Files are Win32 HANDLEs, read and written as raw bytes: the C runtime's
// stdio and its text mode are never involved. Only the standard streams
// translate line ends, here in write_all. The command line is taken from
// the system as one string and split by our own rules (command_line.cpp),
// so the C runtime's argv, and its wildcard expansion, play no part.
#include "command_line.hpp"
#include "platform.hpp"

#include <windows.h>

// The MinGW-w64 start-up code expands wildcards in argv when this is
// non-zero. The programs never look at argv, but the expansion would still
// list directories (and could fail) before main: turn it off.
extern "C" {
int _dowildcard = 0;
}

namespace drovenna::platform {

namespace {

HANDLE handle_of(file f) { return reinterpret_cast<HANDLE>(f.handle); }

file file_of(HANDLE h) { return file{reinterpret_cast<std::intptr_t>(h)}; }

int last_error() { return static_cast<int>(GetLastError()); }

// ReadFile and WriteFile take a DWORD count; one call never needs more.
constexpr std::int64_t max_transfer = std::int64_t{1} << 30;

DWORD transfer_size(std::int64_t count) { return static_cast<DWORD>(count < max_transfer ? count : max_transfer); }

// Writes all bytes; `written` tells how many reached the system.
int write_bytes(HANDLE h, const unsigned char* data, std::int64_t count, std::int64_t& written) {
    written = 0;
    while (written < count) {
        DWORD n = 0;
        if (!WriteFile(h, data + written, transfer_size(count - written), &n, nullptr)) return last_error();
        // A zero-byte write that claims success would loop forever.
        if (n == 0) return ERROR_WRITE_FAULT;
        written += n;
    }
    return 0;
}

bool is_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

std::string module_file_name() {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        // Truncated: try again with room to spare.
        name.resize(name.size() * 2);
    }
}

bool identity_from_handle(HANDLE h, file_identity& result) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    result.volume = info.dwVolumeSerialNumber;
    result.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace

void prepare_process() {
    // A missing drive or a damaged medium must come back as an error code,
    // never as a dialog box that waits for someone to click. A closed pipe
    // already shows up as a failed write on Windows.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

int open_for_reading(const std::string& path, file& result) {
    // Others may go on reading and writing the file while we read it, as on
    // POSIX. A directory cannot be opened this way (no backup semantics):
    // the system refuses it with "access denied".
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    result = file_of(h);
    return 0;
}

int open_for_writing(const std::string& path, file& result) {
    // Created with default security and attributes, emptied if present.
    // Other programs may read it meanwhile, not write it.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    result = file_of(h);
    return 0;
}

int read_some(file f, unsigned char* buffer, std::int64_t capacity, std::int64_t& got) {
    got = 0;
    DWORD n = 0;
    if (!ReadFile(handle_of(f), buffer, transfer_size(capacity), &n, nullptr)) {
        DWORD code = GetLastError();
        // The writer of a pipe closed its end: that is the end of the input.
        if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
        return static_cast<int>(code);
    }
    got = n;
    return 0;
}

int write_all(file f, const unsigned char* data, std::int64_t count, bool text, std::int64_t& written) {
    if (!text) return write_bytes(handle_of(f), data, count, written);

    // Standard output and error are text: each line feed goes out as CR LF.
    // `written` counts source bytes, a line feed only once both of its bytes
    // are out, so that a retry after a failure never doubles the CR.
    written = 0;
    std::string line_ends;
    line_ends.reserve(static_cast<std::size_t>(count) + 64);
    for (std::int64_t i = 0; i < count; ++i) {
        if (data[i] == '\n') line_ends += '\r';
        line_ends += static_cast<char>(data[i]);
    }
    std::int64_t out = 0;
    int code = write_bytes(handle_of(f), reinterpret_cast<const unsigned char*>(line_ends.data()),
                           static_cast<std::int64_t>(line_ends.size()), out);
    if (code == 0) {
        written = count;
        return 0;
    }
    for (std::int64_t sent = 0; written < count; ++written) {
        sent += data[written] == '\n' ? 2 : 1;
        if (sent > out) break;
    }
    return code;
}

int seek_to(file f, std::int64_t offset) {
    LARGE_INTEGER target;
    target.QuadPart = offset;
    if (!SetFilePointerEx(handle_of(f), target, nullptr, FILE_BEGIN)) return last_error();
    return 0;
}

int close_file(file f) {
    if (!CloseHandle(handle_of(f))) return last_error();
    return 0;
}

file standard_output() { return file_of(GetStdHandle(STD_OUTPUT_HANDLE)); }
file standard_error() { return file_of(GetStdHandle(STD_ERROR_HANDLE)); }

std::string error_reason(int code) {
    // The same families the C runtime folds system errors into (ENOENT,
    // EACCES, EMFILE, ENOSPC); every other failure, an invalid name or a
    // closed pipe among them, reads as EINVAL does.
    switch (static_cast<DWORD>(code)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NO_MORE_FILES:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return "No such file or directory";
        case ERROR_ACCESS_DENIED:
        case ERROR_CURRENT_DIRECTORY:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_CANNOT_MAKE:
        case ERROR_FAIL_I24:
        case ERROR_DRIVE_LOCKED:
        case ERROR_SEEK_ON_DEVICE:
        case ERROR_NOT_LOCKED:
        case ERROR_LOCK_FAILED:
            return "Permission denied";
        case ERROR_TOO_MANY_OPEN_FILES:
            return "Too many open files";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "No space left on device";
        default:
            break;
    }
    // Write protection, sharing and lock violations and the other medium
    // errors that lie between them.
    if (code >= ERROR_WRITE_PROTECT && code <= ERROR_SHARING_BUFFER_EXCEEDED) return "Permission denied";
    return "Invalid argument";
}

bool identity_of_file(file f, file_identity& result) { return identity_from_handle(handle_of(f), result); }

bool identity_of_path(const std::string& path, file_identity& result) {
    // No access rights asked for: this works on any file, even one open for
    // writing elsewhere, and with backup semantics on a directory too.
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool known = identity_from_handle(h, result);
    CloseHandle(h);
    return known;
}

std::vector<std::string> raw_arguments(int, char**) {
    // The command line exactly as the starting program passed it. A program
    // started with an empty one still has a name: its own file.
    const char* line = GetCommandLineA();
    if (line == nullptr || *line == '\0') return {module_file_name()};
    return split_command_line(line, is_lead_byte);
}

bool matching_entries(const std::string& pattern, std::vector<std::string>& names) {
    // The system matches the whole pattern (its own rules, short names
    // included) and lists the entries in its order, "." and ".." too.
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    do names.emplace_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return true;
}

}  // namespace drovenna::platform
