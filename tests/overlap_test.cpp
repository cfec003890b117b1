// The overlap finder against the plain definition, on random ranges.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "check.hpp"

using namespace drovenna;

namespace {

bool partly_overlap(const line_span& a, const line_span& b) {
    bool same = a.first == b.first && a.end == b.end;
    return !same && a.first < b.end && b.first < a.end;
}

TEST(FindOverlaps, EveryLineThatPartlyOverlapsAnotherOnceWithATruePartner) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        // Few sectors and many lines: shared starts, shared ends, identical
        // ranges, ranges inside others.
        const int lines = 1 + static_cast<int>(random() % 12);
        const auto sectors = static_cast<std::uint32_t>(2 + random() % 20);
        std::deque<line_span> spans;
        std::map<std::uint32_t, line_span> by_line;
        for (std::uint32_t line = 1; line <= static_cast<std::uint32_t>(lines); ++line) {
            std::uint32_t first = static_cast<std::uint32_t>(random() % sectors);
            std::uint32_t end = first + 1 + static_cast<std::uint32_t>(random() % 4);
            spans.push_back({first, end, line});
            by_line[line] = spans.back();
        }
        std::set<std::uint32_t> expected;
        for (const auto& [line, span] : by_line) {
            for (const auto& [other, other_span] : by_line) {
                if (other != line && partly_overlap(span, other_span)) expected.insert(line);
            }
        }

        std::deque<overlap> found = find_overlaps(spans);
        std::set<std::uint32_t> reported;
        std::uint32_t previous = 0;
        for (const overlap& o : found) {
            EXPECT_GT(o.line, previous) << "one entry a line, in line order";
            previous = o.line;
            reported.insert(o.line);
            EXPECT_TRUE(partly_overlap(by_line[o.line], by_line[o.other]))
                << "round " << round << ": line " << o.line << " and its partner " << o.other;
        }
        ASSERT_EQ(reported, expected) << "round " << round;
    }
}

TEST(FindOverlaps, SharedDataAndNeighboursPass) {
    // Identical ranges, and ranges that touch without sharing a sector.
    std::deque<line_span> spans{{10, 14, 1}, {10, 14, 2}, {14, 15, 3}, {5, 10, 4}};
    EXPECT_TRUE(find_overlaps(spans).empty());
}

}  // namespace
