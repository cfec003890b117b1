#include <gtest/gtest.h>

#include "error.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::error_of;

namespace {

struct composed_case {
    std::function<void()> raise;
    std::string text;
};

TEST(ErrorText, EachKindIsShownAsTheFatalLineHoldsIt) {
    const composed_case cases[] = {
        {[] { raise_end_of_file(); }, "End_of_file"},
        {[] { raise_sys_error("00file: No such file or directory"); },
         "Sys_error(\"00file: No such file or directory\")"},
        {[] { fail("int_of_string"); }, "Failure(\"int_of_string\")"},
        {[] { raise_invalid_argument("index out of bounds"); }, "Invalid_argument(\"index out of bounds\")"},
        {[] { raise_match_failure("extract", 95, 12); }, "Match_failure(\"extract\", 95, 12)"},
        {[] { raise_match_failure("x", -3, 0); }, "Match_failure(\"x\", -3, 0)"},
        // A line feed stays raw inside the quotes.
        {[] { fail("Fonction Hexa : Pas un chiffre \n"); }, "Failure(\"Fonction Hexa : Pas un chiffre \n\")"},
        // Texts stop at their first NUL byte.
        {[] { fail(std::string("abc\0def", 7)); }, "Failure(\"abc\")"},
        {[] { fail(""); }, "Failure(\"\")"},
        // No escaping of any kind: quotes and backslashes go out as they are.
        {[] { raise_sys_error("a\"b\\c: Permission denied"); }, "Sys_error(\"a\"b\\c: Permission denied\")"},
    };
    for (const auto& c : cases) {
        auto e = error_of(c.raise);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(compose_error_text(*e), c.text);
    }
}

TEST(ErrorText, IsCutAt255Bytes) {
    // "Sys_error(\"" is 11 bytes and "\")" 2: a text of 242 bytes just fits.
    std::string fits(242, 'p');
    EXPECT_EQ(compose_error_text(*error_of([&] { raise_sys_error(fits); })), "Sys_error(\"" + fits + "\")");

    std::string longer(243, 'p');
    std::string shown = compose_error_text(*error_of([&] { raise_sys_error(longer); }));
    EXPECT_EQ(shown.size(), 255u);
    EXPECT_EQ(shown, "Sys_error(\"" + longer + "\"");

    std::string huge(1000, 'q');
    EXPECT_EQ(compose_error_text(*error_of([&] { fail(huge); })), "Failure(\"" + huge.substr(0, 246));
}

}  // namespace
