// lbacheck from the command line: sound listings pass, a fault planted on a
// known line is found on that line, a rebuilt table is compared byte for
// byte, and no input is ever changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "table_gen.hpp"
#include "tool_runner.hpp"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// What one run printed after the banner, a line each (without line ends).
struct check_run {
    int status = -1;
    std::vector<std::string> report;
    std::string err;
};

// Every file of the directory with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files[entry.path().filename().string()] = read_file(entry.path());
    }
    return files;
}

// Runs lbacheck in `dir` and checks that it changed no file there.
check_run run_check(const temp_dir& dir, const std::vector<std::string>& args) {
    auto before = snapshot(dir.path);
    run_result r = run_tool("lbacheck", args, dir.path);
    EXPECT_EQ(snapshot(dir.path), before) << "lbacheck changed, created or removed a file";
    check_run run;
    run.status = r.status;
    run.err = r.err;
    std::string banner = expected_banner("lbacheck");
    EXPECT_EQ(r.out.substr(0, banner.size()), banner);
    std::string text = r.out.size() >= banner.size() ? r.out.substr(banner.size()) : "";
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        run.report.push_back(line);
    }
    return run;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
}

// The diagnostics that start with `prefix` ("name:7: error: ", "name: warning: ").
std::vector<std::string> with_prefix(const check_run& run, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : run.report) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

std::vector<std::string> errors_of(const check_run& run) {
    std::vector<std::string> found;
    for (const auto& line : run.report) {
        if (line.find(": error: ") != std::string::npos) found.push_back(line);
    }
    return found;
}

std::string summary_of(const check_run& run) { return run.report.empty() ? "" : run.report.back(); }

// A repacker's listing: the files laid out one after the other, aligned to
// sectors, small and with gaps, so that no data overlaps.
std::vector<table_gen::listing_line> repacked(std::vector<table_gen::listing_line> lines) {
    std::uint32_t sector = 16;
    for (auto& line : lines) {
        line.size = line.size % (8 * 2048) + 1;
        line.offset = sector * 2048;
        sector += (line.size + 2047) / 2048 + 16;
    }
    return lines;
}

// Where line k (from 1) of a listing starts and where its "\r\n" ends.
std::pair<std::size_t, std::size_t> line_bytes(const std::string& listing, int k) {
    std::size_t start = 0;
    for (int i = 1; i < k; ++i) start = listing.find("\r\n", start) + 2;
    return {start, listing.find("\r\n", start) + 2};
}

void set_field(std::string& listing, int k, int field, std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    listing.replace(line_bytes(listing, k).first + 9 * static_cast<std::size_t>(field), 8, text);
}

constexpr int planted_line = 7;
constexpr int record_count = 20;

struct planted_fault {
    const char* what;
    std::function<void(std::string& listing, const std::vector<table_gen::listing_line>& lines)> plant;
    std::string says;            // a piece of the diagnostic on the planted line
    std::vector<int> also = {};  // other lines, relative to it, that the fault also puts wrong
    bool no_final_nul = false;   // the fault also takes the final NUL away
};

const std::vector<planted_fault>& planted_faults() {
    static const std::vector<planted_fault> faults = {
        {"an unreadable number", [](std::string& l, const auto&) { l[line_bytes(l, planted_line).first + 12] = 'G'; },
         "data size field"},
        {"a line ending in a bare line feed",
         [](std::string& l, const auto&) { l.erase(line_bytes(l, planted_line).second - 2, 1); }, "line feed"},
        {"a location position of 2^30", [](std::string& l, const auto&) { set_field(l, planted_line, 2, 0x40000000); },
         "largest table"},
        {"a location position inside a record",
         [](std::string& l, const auto& lines) { set_field(l, planted_line, 2, lines[planted_line - 1].position + 1); },
         "is not the location field of a file record"},
        {"a location position past the end of the table",
         [](std::string& l, const auto& lines) { set_field(l, planted_line, 2, lines.back().position + 100); },
         "is not the location field of a file record",
         {1}},
        {"a path from another table",
         [](std::string& l, const auto&) { l.insert(line_bytes(l, planted_line).second - 2, "X"); }, "path differs"},
        {"a position repeated from the line before",
         [](std::string& l, const auto& lines) { set_field(l, planted_line, 2, lines[planted_line - 2].position); },
         "order of the table",
         {-1}},
        {"two lines swapped",
         [](std::string& l, const auto&) {
             auto [start, end] = line_bytes(l, planted_line);
             auto [next_start, next_end] = line_bytes(l, planted_line + 1);
             l = l.substr(0, start) + l.substr(next_start, next_end - next_start) + l.substr(start, end - start) +
                 l.substr(next_end);
         },
         "out of table order",
         {1}},
        {"a line ending in a carriage return alone",
         [](std::string& l, const auto&) { l.erase(line_bytes(l, planted_line).second - 1, 1); },
         "not a line feed",
         {1}},
        {"a data offset inside a sector",
         [](std::string& l, const auto& lines) {
             set_field(l, planted_line, 0, lines[planted_line - 1].offset + 0x10);
         },
         "is not a multiple of 2048"},
        {"the listing cut after a line's carriage return",
         [](std::string& l, const auto&) { l.resize(line_bytes(l, planted_line).second - 1); },
         "ends right after",
         {},
         true},
        {"the listing ending inside a line",
         [](std::string& l, const auto&) { l.resize(line_bytes(l, planted_line).first + 20); },
         "ends inside",
         {},
         true},
    };
    return faults;
}

class lbacheck_by_layout : public testing::TestWithParam<int> {};

TEST_P(lbacheck_by_layout, SoundListingsPass) {
    const int episode = GetParam();
    temp_dir dir;
    auto gen = table_gen::generate_table(11, record_count, episode);
    write_file(dir / "old.bin", gen.table);
    write_file(dir / "old.lba", gen.listing);
    write_file(dir / "new.lba", table_gen::format_listing(repacked(gen.lines)));

    check_run unchanged = run_check(dir, {"old.bin", "old.lba"});
    EXPECT_EQ(unchanged.status, 0) << joined(unchanged.report);
    EXPECT_TRUE(errors_of(unchanged).empty()) << joined(unchanged.report);
    const std::string layout = episode == 1 ? "episode I layout" : "episode II/III layout";
    EXPECT_NE(summary_of(unchanged).find(layout), std::string::npos) << summary_of(unchanged);
    EXPECT_NE(summary_of(unchanged).find(" 0 of them changing the table; 20 of 20 file records left unchanged"),
              std::string::npos)
        << summary_of(unchanged);

    check_run repack = run_check(dir, {"old.bin", "new.lba"});
    EXPECT_EQ(repack.status, 0) << joined(repack.report);
    EXPECT_EQ(repack.report.size(), 1u) << "a repacked listing without overlaps gives only the summary:\n"
                                        << joined(repack.report);
    EXPECT_NE(summary_of(repack).find(layout), std::string::npos);
    EXPECT_EQ(unchanged.err + repack.err, "");
}

TEST_P(lbacheck_by_layout, PlantedFaultIsFoundOnItsLine) {
    const int episode = GetParam();
    auto gen = table_gen::generate_table(12, record_count, episode);
    const std::string sound = table_gen::format_listing(repacked(gen.lines));
    for (const auto& fault : planted_faults()) {
        SCOPED_TRACE(fault.what);
        temp_dir dir;
        write_file(dir / "old.bin", gen.table);
        std::string listing = sound;
        fault.plant(listing, gen.lines);
        write_file(dir / "faulty.lba", listing);
        check_run run = run_check(dir, {"old.bin", "faulty.lba"});
        EXPECT_EQ(run.status, 1) << joined(run.report);
        auto on_line = with_prefix(run, "faulty.lba:" + std::to_string(planted_line) + ": error: ");
        ASSERT_FALSE(on_line.empty()) << joined(run.report);
        EXPECT_NE(joined(on_line).find(fault.says), std::string::npos) << joined(run.report);
        // No error anywhere else: the other lines are sound.
        std::size_t expected = on_line.size();
        for (int other : fault.also) {
            expected += with_prefix(run, "faulty.lba:" + std::to_string(planted_line + other) + ": error: ").size();
        }
        if (fault.no_final_nul) expected += with_prefix(run, "faulty.lba: error: no final NUL").size();
        EXPECT_EQ(errors_of(run).size(), expected) << joined(run.report);
    }
}

TEST_P(lbacheck_by_layout, WholeListingFaults) {
    const int episode = GetParam();
    auto gen = table_gen::generate_table(13, record_count, episode);
    const std::string sound = table_gen::format_listing(repacked(gen.lines));
    temp_dir dir;
    write_file(dir / "old.bin", gen.table);

    write_file(dir / "nonul.lba", sound.substr(0, sound.size() - 1));
    check_run run = run_check(dir, {"old.bin", "nonul.lba"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(with_prefix(run, "nonul.lba: error: no final NUL").size(), 1u) << joined(run.report);
    EXPECT_EQ(errors_of(run).size(), 1u) << joined(run.report);

    write_file(dir / "tail.lba", sound + "junk");
    run = run_check(dir, {"old.bin", "tail.lba"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(with_prefix(run, "tail.lba: warning: 4 bytes after the final NUL").size(), 1u) << joined(run.report);

    // A text editor's work: every "\r\n" became "\n", and the NUL is gone.
    std::string edited;
    for (char c : sound.substr(0, sound.size() - 1)) {
        if (c != '\r') edited += c;
    }
    write_file(dir / "edited.lba", edited);
    run = run_check(dir, {"old.bin", "edited.lba"});
    EXPECT_EQ(run.status, 1);
    auto first = with_prefix(run, "edited.lba:1: error: ");
    ASSERT_EQ(first.size(), 1u) << joined(run.report);
    EXPECT_NE(first[0].find("bare line feed"), std::string::npos);
}

TEST_P(lbacheck_by_layout, OverlappingDataIsAWarningNamingBothLines) {
    const int episode = GetParam();
    auto gen = table_gen::generate_table(14, record_count, episode);
    auto lines = repacked(gen.lines);
    // Line 4 shares line 3's sectors exactly (shared data, silent); line 8
    // starts one sector into line 7's four.
    lines[3].offset = lines[2].offset;
    lines[3].size = lines[2].size;
    lines[6].size = 4 * 2048;
    lines[7].offset = lines[6].offset + 2048;
    lines[7].size = 4 * 2048;
    temp_dir dir;
    write_file(dir / "old.bin", gen.table);
    write_file(dir / "new.lba", table_gen::format_listing(lines));
    check_run run = run_check(dir, {"old.bin", "new.lba"});
    EXPECT_EQ(run.status, 0) << joined(run.report);
    // Each of the two lines has its warning, whichever starts first.
    auto warnings = with_prefix(run, "new.lba:");
    ASSERT_EQ(warnings.size(), 2u) << joined(run.report);
    EXPECT_EQ(warnings[0].rfind("new.lba:7: warning: ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find("overlaps that of line 8"), std::string::npos) << warnings[0];
    EXPECT_EQ(warnings[1].rfind("new.lba:8: warning: ", 0), 0u) << warnings[1];
    EXPECT_NE(warnings[1].find("overlaps that of line 7"), std::string::npos) << warnings[1];
    EXPECT_NE(summary_of(run).find("0 errors, 2 warnings"), std::string::npos) << summary_of(run);
}

TEST_P(lbacheck_by_layout, NewTableIsComparedWithWhatTablebuildMakes) {
    const int episode = GetParam();
    auto gen = table_gen::generate_table(15, record_count, episode);
    auto lines = repacked(gen.lines);
    temp_dir dir;
    write_file(dir / "old.bin", gen.table);
    write_file(dir / "new.lba", table_gen::format_listing(lines));
    ASSERT_EQ(run_tool("tablebuild", {"old.bin", "new.lba", "new.bin"}, dir.path).status, 0);
    const std::string rebuilt = read_file(dir / "new.bin");

    check_run run = run_check(dir, {"old.bin", "new.lba", "new.bin"});
    EXPECT_EQ(run.status, 0) << joined(run.report);
    EXPECT_NE(summary_of(run).find("the new table matches"), std::string::npos) << summary_of(run);

    struct damage {
        const char* what;
        std::function<void(std::string&)> apply;
        std::string says;
    };
    const std::size_t field = lines[planted_line - 1].position;
    const damage damages[] = {
        {"a byte outside the fields", [](std::string& t) { t[0] = static_cast<char>(t[0] ^ 1); },
         "bad.bin: error: byte at 00000000 is "},
        {"a location field", [&](std::string& t) { t[field + 4] = static_cast<char>(t[field + 4] ^ 0x40); },
         "(listing line " + std::to_string(planted_line) + ")"},
        {"a byte cut off the end", [](std::string& t) { t.pop_back(); },
         "bad.bin: error: the table is " + std::to_string(rebuilt.size() - 1) + " bytes long; tablebuild makes " +
             std::to_string(rebuilt.size()) + " bytes"},
        {"a byte added at the end", [](std::string& t) { t += 'x'; }, "bytes long"},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        std::string table = rebuilt;
        d.apply(table);
        write_file(dir / "bad.bin", table);
        run = run_check(dir, {"old.bin", "new.lba", "bad.bin"});
        EXPECT_EQ(run.status, 1) << joined(run.report);
        ASSERT_EQ(errors_of(run).size(), 1u) << joined(run.report);
        EXPECT_NE(errors_of(run)[0].find(d.says), std::string::npos) << joined(run.report);
        EXPECT_NE(summary_of(run).find("the new table differs"), std::string::npos);
    }

    // Without its NUL the listing stops tablebuild after the last line, and
    // what it leaves behind is no complete table, though byte for byte it is
    // what tablebuild makes.
    std::string cut = table_gen::format_listing(lines);
    cut.pop_back();
    write_file(dir / "cut.lba", cut);
    ASSERT_EQ(run_tool("tablebuild", {"old.bin", "cut.lba", "cut.bin"}, dir.path).status, 2);
    run = run_check(dir, {"old.bin", "cut.lba", "cut.bin"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(with_prefix(run, "cut.bin: error: tablebuild stops at the end of the listing").size(), 1u)
        << joined(run.report);
    EXPECT_EQ(with_prefix(run, "cut.bin: error: ").size(), 1u) << joined(run.report);
    EXPECT_NE(summary_of(run).find("no new table can be complete"), std::string::npos) << summary_of(run);
}

INSTANTIATE_TEST_SUITE_P(Layouts, lbacheck_by_layout, testing::Values(2, 1),
                         [](const testing::TestParamInfo<int>& param) {
                             return param.param == 2 ? std::string("EpisodeII_III") : std::string("EpisodeI");
                         });

TEST(Lbacheck, UnchangedListingsOfGeneratedTablesPass) {
    // Under Wine every start costs a second: a few seeds there, more natively.
    const int seeds = windows_target() ? 3 : 60;
    temp_dir dir;
    for (int episode : {2, 1}) {
        for (int seed = 0; seed < seeds; ++seed) {
            auto gen = table_gen::generate_table(static_cast<std::uint64_t>(seed), 1 + seed % 40, episode);
            write_file(dir / "t.bin", gen.table);
            write_file(dir / "t.lba", gen.listing);
            check_run run = run_check(dir, {"t.bin", "t.lba", "t.bin"});
            ASSERT_EQ(run.status, 0) << "seed " << seed << " episode " << episode << "\n" << joined(run.report);
            EXPECT_NE(summary_of(run).find(episode == 1 ? "episode I layout" : "episode II/III layout"),
                      std::string::npos)
                << "seed " << seed << ": " << summary_of(run);
            EXPECT_NE(summary_of(run).find("the new table matches"), std::string::npos);
        }
    }
}

TEST(Lbacheck, WorkedTableAndItsListing) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "t.bin");
    ASSERT_EQ(run_tool("extract", {"t.bin", "t.lba"}, dir.path).status, 0);
    check_run run = run_check(dir, {"t.bin", "t.lba"});
    EXPECT_EQ(run.status, 0);
    // OPEN.PSS takes sectors 120 to 144, and OPEX.PSS sector 140 inside them.
    EXPECT_EQ(run.report,
              (std::vector<std::string>{
                  "t.lba:1: warning: the data (sectors 000120-000144) partly overlaps that of line 2 (sectors "
                  "000140-000140)",
                  "t.lba:2: warning: the data (sectors 000140-000140) partly overlaps that of line 1 (sectors "
                  "000120-000144)",
                  "Summary: episode II/III layout; 6 lines, 0 of them changing the table; 6 of 6 file records left "
                  "unchanged; data ends at sector 000301 (1.5 MiB); 0 errors, 2 warnings"}));
}

TEST(Lbacheck, EpisodeOneTableThatTheOtherWalkAlsoReads) {
    // One file "0.BIN" at the root. Read with the episode II/III layout, "0"
    // is a merge byte that stores the name ".BIN" whole: both walks find the
    // location field at the same place, and only the paths tell them apart.
    temp_dir dir;
    write_file(dir / "t.bin", hex_bytes("20 06 30 2E 42 49 4E 21 00 00 10 00 00 00 00"));
    ASSERT_EQ(run_tool("extractor", {"t.bin", "t.lba"}, dir.path).status, 0);
    check_run run = run_check(dir, {"t.bin", "t.lba"});
    EXPECT_EQ(run.status, 0) << joined(run.report);
    EXPECT_NE(summary_of(run).find("episode I layout"), std::string::npos) << summary_of(run);

    ASSERT_EQ(run_tool("extract", {"t.bin", "t2.lba"}, dir.path).status, 0);
    run = run_check(dir, {"t.bin", "t2.lba"});
    EXPECT_EQ(run.status, 0) << joined(run.report);
    EXPECT_NE(summary_of(run).find("episode II/III layout"), std::string::npos) << summary_of(run);
}

TEST(Lbacheck, TableThatNeitherWalkReadsToItsEnd) {
    auto gen = table_gen::generate_table(16, 10, 2);
    temp_dir dir;
    std::string table = gen.table;
    table.resize(gen.lines[5].position + 3);  // ends inside the sixth location field
    write_file(dir / "t.bin", table);
    write_file(dir / "t.lba", gen.listing);
    check_run run = run_check(dir, {"t.bin", "t.lba"});
    EXPECT_EQ(run.status, 1);
    auto found = with_prefix(run, "t.bin: error: neither layout reads the table to its end byte: ");
    ASSERT_EQ(found.size(), 1u) << joined(run.report);
    EXPECT_NE(found[0].find("the episode II/III walk stops at position " +
                            [&] {
                                char text[9];
                                std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(table.size()));
                                return std::string(text);
                            }() +
                            " with End_of_file"),
              std::string::npos)
        << found[0];
    // The lines the walk got to are still checked, and pass.
    EXPECT_EQ(errors_of(run).size(), 1u) << joined(run.report);
}

TEST(Lbacheck, AtMostAHundredDiagnostics) {
    auto gen = table_gen::generate_table(17, 150, 2);
    auto lines = repacked(gen.lines);
    for (auto& line : lines) line.offset += 1;
    temp_dir dir;
    write_file(dir / "t.bin", gen.table);
    write_file(dir / "t.lba", table_gen::format_listing(lines));
    check_run run = run_check(dir, {"t.bin", "t.lba"});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.report.size(), 102u);
    EXPECT_EQ(run.report[0].rfind("t.lba:1: error: ", 0), 0u);
    EXPECT_EQ(run.report[99].rfind("t.lba:100: error: ", 0), 0u);
    EXPECT_EQ(run.report[100], "50 more diagnostics not shown");
    EXPECT_NE(run.report[101].find("150 errors, 0 warnings"), std::string::npos) << run.report[101];

    // Errors come first: no number of warnings pushes one out. Every line
    // has a ";" for its first separator (a warning), line 140 an error.
    lines = repacked(gen.lines);
    lines[139].offset += 1;
    std::string listing = table_gen::format_listing(lines);
    for (int k = 1; k <= 150; ++k) listing[line_bytes(listing, k).first + 8] = ';';
    write_file(dir / "t.lba", listing);
    run = run_check(dir, {"t.bin", "t.lba"});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.report.size(), 102u);
    EXPECT_EQ(run.report[0].rfind("t.lba:140: error: ", 0), 0u) << run.report[0];
    EXPECT_EQ(run.report[1].rfind("t.lba:1: warning: the byte 3B at column 9 ", 0), 0u) << run.report[1];
    EXPECT_EQ(run.report[100], "51 more diagnostics not shown");
    EXPECT_NE(run.report[101].find("1 error, 150 warnings"), std::string::npos) << run.report[101];
}

TEST(Lbacheck, CannotCheck) {
    temp_dir dir;
    write_file(dir / "t.bin", hex_bytes("20 00"));
    write_file(dir / "t.lba", std::string(1, '\0'));
    struct failing_run {
        std::vector<std::string> args;
        std::string error;
    };
    const failing_run runs[] = {
        {{"nope.bin", "t.lba"}, "Sys_error(\"nope.bin: No such file or directory\")"},
        {{"t.bin", "nope.lba"}, "Sys_error(\"nope.lba: No such file or directory\")"},
        {{"t.bin", "t.lba", "nope.bin"}, "Sys_error(\"nope.bin: No such file or directory\")"},
    };
    for (const auto& r : runs) {
        check_run run = run_check(dir, r.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.report.empty()) << joined(run.report);
        EXPECT_EQ(run.err, fatal_line(r.error));
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"t.bin"}, {"t.bin", "t.lba", "a", "b"}}) {
        run_result r = run_tool("lbacheck", args, dir.path);
        EXPECT_EQ(r.status, 2) << "a mistyped check must never pass";
        EXPECT_EQ(r.out, expected_banner("lbacheck") + expected_usage("lbacheck"));
        EXPECT_EQ(r.err, "");
    }
}

}  // namespace
