#include <gtest/gtest.h>

#include "hex.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::describe;
using testing_files::error_of;

namespace {

const std::string hexa_failure = "Failure(\"Fonction Hexa : Pas un chiffre \n\")";
const std::string size_failure = "Failure(\"Fonction Create-hexa : table trop petite \n\")";

TEST(Hexa, DigitsAndTheirLimits) {
    EXPECT_EQ(hexa(0), '0');
    EXPECT_EQ(hexa(9), '9');
    EXPECT_EQ(hexa(10), 'A');
    EXPECT_EQ(hexa(15), 'F');
    EXPECT_EQ(describe(error_of([] { hexa(16); })), hexa_failure);
    EXPECT_EQ(describe(error_of([] { hexa(-1); })), hexa_failure);
}

struct hexa_case {
    std::int64_t value;
    std::int64_t count;
    std::string buffer_before;
    std::string buffer_after;
    std::string failure;  // empty: no error
};

TEST(CreateHexa, FillsFromTheRightAndFailsOnlyWhereItMust) {
    const hexa_case cases[] = {
        {0xBEEF, 4, "xxxxxxxx", "BEEFxxxx", ""},
        {0, 8, "xxxxxxxx", "00000000", ""},
        {0x1A2B, 8, "xxxxxxxx", "00001A2B", ""},
        {0xFFFFFFFFLL, 8, "xxxxxxxx", "FFFFFFFF", ""},
        // Too large: only the low digits, no error.
        {0x100000000LL, 8, "xxxxxxxx", "00000000", ""},
        {0x1BEEF, 4, "xxxx", "BEEF", ""},
        {0x7FFFFFFFFFFFFFFFLL, 8, "xxxxxxxx", "FFFFFFFF", ""},
        // Count larger than the buffer: fails before anything is stored.
        {0x12, 9, "xxxxxxxx", "xxxxxxxx", size_failure},
        {0x12, 8, "xxxxxxx", "xxxxxxx", size_failure},
        {0x12, 1, "", "", size_failure},
        {5, 0, "", "", ""},
        {5, 0, "xx", "xx", ""},
        // Negative: zero digits are stored until the first non-zero remainder.
        {-2048, 8, "xxxxxxxx", "xxxxxx00", hexa_failure},
        {-1, 8, "xxxxxxxx", "xxxxxxxx", hexa_failure},
        {-0x100000000LL, 8, "xxxxxxxx", "00000000", ""},
        {-16, 1, "x", "0", ""},
    };
    for (const auto& c : cases) {
        std::string buffer = c.buffer_before;
        auto e = error_of([&] { create_hexa(c.value, c.count, buffer); });
        EXPECT_EQ(buffer, c.buffer_after) << "value " << c.value << " count " << c.count;
        EXPECT_EQ(e ? describe(e) : "", c.failure) << "value " << c.value << " count " << c.count;
    }
}

TEST(HexText, PadsToTheWidthAndGrowsPastIt) {
    EXPECT_EQ(hex_text(0x1D, 8), "0000001D");
    EXPECT_EQ(hex_text(0, 1), "0");
    EXPECT_EQ(hex_text(0x100000000LL, 8), "100000000");
}

}  // namespace
