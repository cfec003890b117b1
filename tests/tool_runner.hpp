// Starts one of the four programs as a user would and collects what it did.
//
// By default the programs of this build run directly. The environment can
// point the driver at other builds of them:
//   DROVENNA_EXTRACT, DROVENNA_EXTRACTOR, DROVENNA_TABLEBUILD,
//   DROVENNA_LBACHECK  program files
//   DROVENNA_RUNNER   a command put in front (for example "wine")
//   DROVENNA_TARGET   "windows" when the programs are Windows programs: their
//                     console output ends lines with "\r\n" and their
//                     Sys_error reasons are the Windows ones
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct run_result {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `tool` ("extract", "extractor", "tablebuild" or "lbacheck") in
// directory `dir` with the given arguments; the program name as typed is the
// tool's name.
run_result run_tool(const std::string& tool, const std::vector<std::string>& args, const std::filesystem::path& dir);

bool windows_target();

// Console text as the target prints it: line feeds become "\r\n" on Windows.
std::string console(const std::string& text);

// A fresh empty directory for one test, removed by the destructor.
struct temp_dir {
    std::filesystem::path path;
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// What the programs print on standard output before anything else, and on
// a wrong argument count after the banner, as console text.
std::string expected_banner(const std::string& tool);
std::string expected_usage(const std::string& tool);

// The whole line a failure prints on standard error.
std::string fatal_line(const std::string& error_text);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string hex_bytes(const std::string& hex);  // "20 87 00" -> bytes
std::filesystem::path examples_dir();

}  // namespace e2e
