// Properties of the walks and of tablebuild over generated tables.
//
// For every case (episode, seed, file count) the generator gives a table and
// the listing it must produce. The code is driven the way the programs'
// main flows drive it, through files:
//  - the walk writes exactly the expected listing;
//  - tablebuild with that listing unchanged gives back the table byte for byte;
//  - tablebuild with new offsets and sizes, then the walk again, shows the new
//    values, and the table differs from the old one only in its location fields.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "error.hpp"
#include "extract_walk.hpp"
#include "extractor_walk.hpp"
#include "listing.hpp"
#include "rebuild.hpp"
#include "table_gen.hpp"

namespace {

namespace fs = std::filesystem;
using namespace drovenna;

struct scratch_dir {
    fs::path path;
    scratch_dir() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("drovenna-property-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~scratch_dir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// extract TABLE LISTING (episode 2) or extractor TABLE LISTING (episode 1),
// without the banner. Returns the fatal error text, or "" on success.
std::string extract_listing(int episode, const std::string& table, const std::string& listing) {
    extraction job;
    try {
        job = start_extraction({"extract", table, listing});
        dir_list dirs;
        if (episode == 1) {
            walk_table_1(*job.table, *job.listing, dirs, job.base);
        } else {
            std::string file_name(file_name_buffer_size, 'a');
            walk_table(*job.table, *job.listing, file_name, dirs, job.base);
        }
        finish_extraction(job);
        return "";
    } catch (const error& e) {
        if (job.listing) close_out(*job.listing);
        return compose_error_text(e);
    }
}

// tablebuild OLD LISTING NEW without the banner. Returns the fatal error text, or "".
std::string rebuild_table(const std::string& old_path, const std::string& listing_path, const std::string& new_path) {
    out_channel* new_table = nullptr;
    try {
        auto old_table = open_in(old_path);
        auto listing = open_in(listing_path);
        new_table = &open_out(new_path);
        std::int64_t base = input_byte(*old_table);
        advance_input(*old_table, -1);
        rebuild(*old_table, *listing, *new_table, base);
        close_out(*new_table);
        return "";
    } catch (const error& e) {
        if (new_table) close_out(*new_table);
        return compose_error_text(e);
    }
}

struct table_case {
    int episode;
    std::uint64_t seed;
    std::int64_t file_count;
};

// A few hundred cases per episode: mostly small tables, every tenth large
// enough that records and location fields straddle the 4096-byte buffers.
std::vector<table_case> all_cases() {
    std::vector<table_case> cases;
    for (int episode : {1, 2}) {
        for (std::uint64_t seed = 0; seed < 300; ++seed) {
            std::int64_t count =
                seed % 10 == 3 ? 1000 + static_cast<std::int64_t>(seed) : static_cast<std::int64_t>(seed % 60);
            cases.push_back({episode, seed, count});
        }
    }
    return cases;
}

std::string describe(const table_case& c) {
    return "gen_table " + std::to_string(c.seed) + " " + std::to_string(c.file_count) + " " + std::to_string(c.episode);
}

TEST(generated_tables, walk_writes_the_expected_listing) {
    scratch_dir dir;
    for (const auto& c : all_cases()) {
        auto generated = table_gen::generate_table(c.seed, c.file_count, c.episode);
        write_file(dir / "table", generated.table);
        ASSERT_EQ(extract_listing(c.episode, dir / "table", dir / "listing"), "") << describe(c);
        ASSERT_EQ(read_file(dir / "listing"), generated.listing) << describe(c);
    }
}

TEST(generated_tables, unchanged_listing_rebuilds_the_same_table) {
    scratch_dir dir;
    for (const auto& c : all_cases()) {
        auto generated = table_gen::generate_table(c.seed, c.file_count, c.episode);
        write_file(dir / "table", generated.table);
        ASSERT_EQ(extract_listing(c.episode, dir / "table", dir / "listing"), "") << describe(c);
        ASSERT_EQ(rebuild_table(dir / "table", dir / "listing", dir / "new"), "") << describe(c);
        ASSERT_EQ(read_file(dir / "new"), generated.table) << describe(c);
    }
}

TEST(generated_tables, edited_listing_changes_only_the_location_fields) {
    scratch_dir dir;
    for (const auto& c : all_cases()) {
        auto generated = table_gen::generate_table(c.seed, c.file_count, c.episode);
        auto base = static_cast<unsigned char>(generated.table[0]);

        // New offsets (whole sectors, below 2^32) and sizes on about half the
        // lines, and the table as it must come out: old bytes but the fields.
        std::mt19937 pick(static_cast<std::uint32_t>(c.seed));  // 32-bit results
        auto lines = generated.lines;
        std::string expected_table = generated.table;
        for (auto& line : lines) {
            if (pick() % 2 == 0) {
                line.offset = static_cast<std::uint32_t>(pick() % (1u << 21)) * 2048;
                line.size = pick() % 3 == 0 ? 0xFFFFFFFF : static_cast<std::uint32_t>(pick());
            }
            std::uint32_t sector = line.offset / 2048 + base;
            for (std::uint32_t i = 0; i < 3; ++i)
                expected_table[line.position + i] = static_cast<char>(sector >> (8 * i));
            for (std::uint32_t i = 0; i < 4; ++i)
                expected_table[line.position + 3 + i] = static_cast<char>(line.size >> (8 * i));
        }
        std::string edited_listing = table_gen::format_listing(lines);

        write_file(dir / "table", generated.table);
        write_file(dir / "edited", edited_listing);
        ASSERT_EQ(rebuild_table(dir / "table", dir / "edited", dir / "new"), "") << describe(c);
        ASSERT_EQ(read_file(dir / "new"), expected_table) << describe(c);
        ASSERT_EQ(extract_listing(c.episode, dir / "new", dir / "listing"), "") << describe(c);
        ASSERT_EQ(read_file(dir / "listing"), edited_listing) << describe(c);
    }
}

// The generator itself: a seed names one table, and the listing it promises
// is the listing of its lines.
TEST(generated_tables, same_seed_same_table) {
    auto a = table_gen::generate_table(42, 200, 2);
    auto b = table_gen::generate_table(42, 200, 2);
    EXPECT_EQ(a.table, b.table);
    EXPECT_EQ(a.listing, b.listing);
    EXPECT_NE(a.table, table_gen::generate_table(43, 200, 2).table);
    EXPECT_EQ(a.lines.size(), 200u);
    EXPECT_THROW(table_gen::generate_table(1, 10, 3), std::invalid_argument);
}

}  // namespace
