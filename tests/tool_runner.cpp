#include "tool_runner.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

namespace {

std::string env_or(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string program_file(const std::string& tool) {
    if (tool == "extract") return env_or("DROVENNA_EXTRACT", DROVENNA_EXTRACT);
    if (tool == "extractor") return env_or("DROVENNA_EXTRACTOR", DROVENNA_EXTRACTOR);
    if (tool == "tablebuild") return env_or("DROVENNA_TABLEBUILD", DROVENNA_TABLEBUILD);
    if (tool == "lbacheck") return env_or("DROVENNA_LBACHECK", DROVENNA_LBACHECK);
    throw std::invalid_argument("unknown tool " + tool);
}

std::vector<std::string> split_words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

}  // namespace

bool windows_target() { return env_or("DROVENNA_TARGET", "") == "windows"; }

std::string console(const std::string& text) {
    if (!windows_target()) return text;
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

run_result run_tool(const std::string& tool, const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> argv = split_words(env_or("DROVENNA_RUNNER", ""));
    std::string file = program_file(tool);
    if (argv.empty()) {
        argv.push_back(tool);  // the name as typed; the file is given to spawn apart
    } else {
        argv.push_back(file);
        file = argv.front();
    }
    argv.insert(argv.end(), args.begin(), args.end());

    fs::path out_path = dir / ".stdout", err_path = dir / ".stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);

    // The child starts in `dir`, so tests name their files relatively.
    fs::path here = fs::current_path();
    fs::current_path(dir);
    pid_t pid = -1;
    int rc = file.find('/') == std::string::npos
                 ? posix_spawnp(&pid, file.c_str(), &actions, nullptr, raw.data(), environ)
                 : posix_spawn(&pid, file.c_str(), &actions, nullptr, raw.data(), environ);
    fs::current_path(here);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + file);

    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    run_result result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    fs::remove(out_path);
    fs::remove(err_path);
    return result;
}

std::string expected_banner(const std::string& tool) {
    std::string title = tool == "extract"     ? "Drovenna II/Drovenna III LBA Extractor\n"
                        : tool == "extractor" ? "Drovenna I LBA Extractor\n"
                        : tool == "lbacheck"  ? "Drovenna LBA Checker\n"
                                              : "DrovennaI/Drovenna II/Drovenna III LBA Rebuilder\n";
    return console(title + "Free rewrite for the Drovenna translation and modding community\n\n\n");
}

std::string expected_usage(const std::string& tool) {
    std::string text = "Syntax : " + tool;
    if (tool == "extract") {
        text +=
            " 00file lbaname\nWhere 00file is the name of the compressed table of the game\n"
            "and lbaname the name of the file in which you want to uncompress it.\n\n";
    } else if (tool == "extractor") {
        text +=
            " table output_lba\n\nWhere 00file is the name of the compressed table of the game\n"
            "and lbaname the name of the file in which you want to uncompress it.\n\n";
    } else if (tool == "lbacheck") {
        text +=
            " 00file lbaname [new00file]\n\nWhere 00file is the table file the listing was extracted from,\n"
            "lbaname is the listing to check before tablebuild runs,\n"
            "and new00file, if given, the new table that tablebuild wrote from them.\n\n";
    } else {
        text +=
            " old00file newlbaname new00filename\n\nWhere old00file is the old compressed table file,\n"
            "newlbaname is the name of the uncompressed table built by the repacker\n"
            "and new00filename is your new compressed table name\n\n";
    }
    return console(text);
}

std::string fatal_line(const std::string& error_text) { return console("Fatal error: exception " + error_text + "\n"); }

temp_dir::temp_dir() {
    std::random_device rd;
    path = fs::temp_directory_path() / ("drovenna-e2e-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
    fs::create_directories(path);
}

temp_dir::~temp_dir() {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string hex_bytes(const std::string& hex) {
    std::string bytes;
    std::istringstream in(hex);
    std::string word;
    while (in >> word) bytes += static_cast<char>(std::stoi(word, nullptr, 16));
    return bytes;
}

fs::path examples_dir() { return env_or("DROVENNA_EXAMPLES", DROVENNA_EXAMPLES); }

}  // namespace e2e
