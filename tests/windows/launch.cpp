#include "launch.hpp"

namespace launch {

namespace {

// Handles pass to the child only when marked inheritable.
void make_inheritable(HANDLE h) {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

}  // namespace

bool run_and_wait(const std::string& program_file, const std::string& command_line, const std::string& directory,
                  HANDLE input, HANDLE output, HANDLE error, DWORD& status) {
    make_inheritable(input);
    make_inheritable(output);
    make_inheritable(error);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    // CreateProcessA may write into the command line buffer.
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    if (!CreateProcessA(program_file.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return true;
}

std::string quote_argument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        // Backslashes are plain unless a quote follows them.
        out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, '\\');
    out += '"';
    return out;
}

std::string typed_name(const std::string& program_file) {
    std::string name = program_file.substr(program_file.find_last_of("\\/:") + 1);
    if (name.size() > 4) {
        std::string suffix = name.substr(name.size() - 4);
        for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (suffix == ".exe") name.resize(name.size() - 4);
    }
    return name;
}

}  // namespace launch
