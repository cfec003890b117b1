// The programs started with exact Windows command lines: what only the real
// Windows command line shows (quoting, backslashes, patterns left to the
// program, response files) and the console's CR LF line ends.
//
// The environment names the programs: DROVENNA_EXTRACT, DROVENNA_LAUNCHER
// (Windows paths, or paths of the build machine under Wine) and
// DROVENNA_EXAMPLES, the directory of the sample tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "launch.hpp"

namespace fs = std::filesystem;

namespace {

fs::path from_environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') throw std::runtime_error(std::string(name) + " is not set");
    return fs::absolute(value);
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Console text: each line feed as CR LF.
std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

const std::string banner = crlf(
    "Drovenna II/Drovenna III LBA Extractor\n"
    "Free rewrite for the Drovenna translation and modding community\n\n\n");

std::string usage(const std::string& typed_name) {
    return crlf("Syntax : " + typed_name +
                " 00file lbaname\n"
                "Where 00file is the name of the compressed table of the game\n"
                "and lbaname the name of the file in which you want to uncompress it.\n\n");
}

std::string fatal(const std::string& error_text) { return crlf("Fatal error: exception " + error_text + "\n"); }

// The listing of examples/episode2.bin: its line ends are the listing's own
// CR LF bytes, written raw (never doubled), then the closing NUL.
const std::string episode2_listing =
    "00080000|00012345|00000013|\\MOV\\OPEN.PSS\r\n"
    "00090000|00000800|0000001D|\\MOV\\OPEX.PSS\r\n"
    "000F0000|00000010|0000003E|\\SND\\BGM\\T1.DAT\r\n"
    "000F0800|00000020|00000048|\\SND\\BGM\\T2.DAT\r\n"
    "000F1000|00010000|00000058|\\SND\\BGM\\T10.DAT\r\n"
    "00170000|00001000|00000070|\\VOICE\\V.BIN\r\n" +
    std::string(1, '\0');

struct run_result {
    DWORD status = 0;
    std::string out;
    std::string err;
};

// A directory holding two sample tables, one more in a directory whose name
// has a space, and a response file.
struct work_dir {
    fs::path path;
    work_dir() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("drovenna-cli-" + std::to_string(rd()));
        fs::create_directories(path / "my tables");
        fs::path examples = from_environment("DROVENNA_EXAMPLES");
        fs::copy_file(examples / "episode1.bin", path / "episode1.bin");
        fs::copy_file(examples / "episode2.bin", path / "episode2.bin");
        fs::copy_file(examples / "episode2.bin", path / "my tables" / "episode2.bin");
        write_file(path / "args.rsp", "\"my tables\\episode2.bin\"\r\nout.lba\r\n");
    }
    ~work_dir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    work_dir(const work_dir&) = delete;
    work_dir& operator=(const work_dir&) = delete;
};

// Runs `program` with exactly `command_line` in `dir`, its standard output
// and error going to files there.
run_result run_exact(const fs::path& program, const std::string& command_line, const fs::path& dir) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto create = [&](const fs::path& path) {
        return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    };
    fs::path out_path = dir / ".stdout", err_path = dir / ".stderr";
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE output = create(out_path);
    HANDLE error = create(err_path);
    run_result result;
    bool started =
        launch::run_and_wait(program.string(), command_line, dir.string(), input, output, error, result.status);
    DWORD why = GetLastError();
    CloseHandle(input);
    CloseHandle(output);
    CloseHandle(error);
    if (!started) throw std::runtime_error("cannot start " + program.string() + ": error " + std::to_string(why));
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    fs::remove(out_path);
    fs::remove(err_path);
    return result;
}

struct cli_case {
    const char* what;
    std::string command_line;
    DWORD status;
    std::string out;
    std::string err;
    const char* listing;  // the file that must hold the sample listing, or nullptr: no out.lba at all
};

const cli_case cases[] = {
    {"a quoted path with a space", R"(extract "my tables\episode2.bin" "my tables\out.lba")", 0, banner, "",
     "my tables/out.lba"},
    {"two backslashes before a quote give one, and the quote closes the section",
     R"(extract "my tables\\"episode2.bin out.lba)", 0, banner, "", "out.lba"},
    {"three backslashes before a quote give one and a literal quote", R"(extract "my tables\\\"x" out.lba)", 2, banner,
     fatal(R"(Sys_error("my tables\"x: Invalid argument"))"), nullptr},
    {"a doubled quote in a quoted section is a literal quote and ends the section",
     R"(extract episode2.bin "out""put lba")", 0, banner + usage("extract"), "", nullptr},
    {"a pattern matching two files makes the argument count wrong", "extract episode?.bin out.lba", 0,
     banner + usage("extract"), "", nullptr},
    {"a pattern matching nothing is kept as typed", "extract nothing*.bin out.lba", 2, banner,
     fatal(R"(Sys_error("nothing*.bin: Invalid argument"))"), nullptr},
    {"a response file", "extract @args.rsp", 0, banner, "", "out.lba"},
    {"a directory is no table", R"(extract "my tables" out.lba)", 2, banner,
     fatal(R"(Sys_error("my tables: Permission denied"))"), nullptr},
    {"the table under another spelling is still the table", R"(extract episode2.bin .\EPISODE2.BIN)", 2, banner,
     fatal(R"(Failure(".\EPISODE2.BIN: is the table file; refusing to overwrite it"))"), nullptr},
    {"the program name keeps its path, quotes dropped", R"("C:\Program Files\extract.exe" episode2.bin)", 0,
     banner + usage(R"(C:\Program Files\extract.exe)"), "", nullptr},
};

// A failing case is reported by what it checks.
void PrintTo(const cli_case& c, std::ostream* os) { *os << c.what << ": " << c.command_line; }

class command_line_case : public testing::TestWithParam<cli_case> {};

TEST_P(command_line_case, gives_the_expected_run) {
    const cli_case& c = GetParam();
    work_dir dir;
    run_result r = run_exact(from_environment("DROVENNA_EXTRACT"), c.command_line, dir.path);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    if (c.listing != nullptr) {
        EXPECT_EQ(read_file(dir.path / c.listing), episode2_listing);
    } else {
        EXPECT_FALSE(fs::exists(dir.path / "out.lba"));
    }
    EXPECT_EQ(read_file(dir.path / "episode2.bin"), read_file(from_environment("DROVENNA_EXAMPLES") / "episode2.bin"));
}

INSTANTIATE_TEST_SUITE_P(extract, command_line_case, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<cli_case>& param) {
                             return "case_" + std::to_string(param.index);
                         });

// The launcher types the program's bare name and quotes each argument so
// that the program splits it back unchanged.
TEST(launcher, starts_the_program_under_its_bare_name) {
    work_dir dir;
    std::string launcher_line =
        "launcher " + launch::quote_argument(from_environment("DROVENNA_EXTRACT").string()) + " only-one";
    run_result r = run_exact(from_environment("DROVENNA_LAUNCHER"), launcher_line, dir.path);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.out, banner + usage("extract"));
}

TEST(launcher, passes_arguments_through_unchanged) {
    work_dir dir;
    // Blanks, quotes and a backslash at the end; then an empty argument.
    const std::string odd = R"(odd name "q" end\)";
    std::string launcher_line = "launcher " + launch::quote_argument(from_environment("DROVENNA_EXTRACT").string()) +
                                " " + launch::quote_argument(odd) + " " + launch::quote_argument("") + " " +
                                launch::quote_argument("my tables\\");
    run_result r = run_exact(from_environment("DROVENNA_LAUNCHER"), launcher_line, dir.path);
    EXPECT_EQ(r.out, banner + usage("extract"));  // three arguments: the empty one counts

    launcher_line = "launcher " + launch::quote_argument(from_environment("DROVENNA_EXTRACT").string()) + " " +
                    launch::quote_argument(odd) + " out.lba";
    r = run_exact(from_environment("DROVENNA_LAUNCHER"), launcher_line, dir.path);
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.err, fatal("Sys_error(\"" + odd + ": Invalid argument\")"));
}

TEST(launcher, quoting_follows_the_backslash_rules) {
    const std::pair<std::string, std::string> quoted[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"a\\b", "a\\b"},
        {"a\"b", "\"a\\\"b\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"dir with space\\", "\"dir with space\\\\\""},
    };
    for (const auto& [arg, expected] : quoted) EXPECT_EQ(launch::quote_argument(arg), expected) << arg;
    EXPECT_EQ(launch::typed_name("Z:\\build\\extract\\extract.exe"), "extract");
    EXPECT_EQ(launch::typed_name("/build/tablebuild/TABLEBUILD.EXE"), "TABLEBUILD");
}

}  // namespace
