// Every input of the fuzzers' corpus (seeds and the crashes found) through
// the fuzz targets: each must end in success or a drovenna::error, and in
// the sanitizer build without a report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.hpp"

namespace {

namespace fs = std::filesystem;

using target = void (*)(const std::uint8_t*, std::size_t);

void replay(const char* corpus, target run) {
    fs::path dir = fs::path(DROVENNA_FUZZ_CORPUS) / corpus;
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().string());
        run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++inputs;
    }
    EXPECT_GT(inputs, 10) << dir;
}

TEST(corpus_replay, extract_walk) { replay("extract_walk", fuzz::extract_walk_target); }
TEST(corpus_replay, extractor_walk) { replay("extractor_walk", fuzz::extractor_walk_target); }
TEST(corpus_replay, rebuild) { replay("rebuild", fuzz::rebuild_target); }

}  // namespace
