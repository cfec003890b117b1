// Every input of the fuzzers' corpus (seeds and the crashes found) through
// the fuzz targets: each must end in success or a drovenna::error, and in
// the sanitizer build without a report. The check target aborts, too, when
// the checker's verdict disagrees with what tablebuild and the extractors do
// (see fuzz_targets.hpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channel.hpp"
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

// The checker prints a report on every run; the test's own output stays
// readable with standard output in /dev/null meanwhile.
void check_quietly(const std::uint8_t* data, std::size_t size) {
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0) {
        std::perror("standard output to /dev/null");
        std::abort();
    }
    close(null);
    fuzz::check_target(data, size);
    drovenna::flush_all();
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

TEST(corpus_replay, extract_walk) { replay("extract_walk", fuzz::extract_walk_target); }
TEST(corpus_replay, extractor_walk) { replay("extractor_walk", fuzz::extractor_walk_target); }
TEST(corpus_replay, rebuild) { replay("rebuild", fuzz::rebuild_target); }
TEST(corpus_replay, check) { replay("check", check_quietly); }

}  // namespace
