#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "command_line.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::describe;
using testing_files::error_of;
using testing_files::temp_file;
namespace fs = std::filesystem;

namespace {

using args = std::vector<std::string>;

bool sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

struct split_case {
    std::string line;
    args expected;
    lead_byte_test lead = nullptr;
};

TEST(SplitCommandLine, WindowsRules) {
    const split_case cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"prog\ta\t\tb", {"prog", "a", "b"}},
        {"prog a   ", {"prog", "a"}},
        {"prog", {"prog"}},
        {"", {""}},
        {" a b", {"", "a", "b"}},
        // The program name: quotes toggle, backslashes are plain.
        {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
        {"\"c:\\dir\\\"x y", {"c:\\dir\\x", "y"}},
        {"a\"b c\"d e", {"ab cd", "e"}},
        // Quoted sections and empty arguments.
        {"prog \"a b\" c", {"prog", "a b", "c"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \"\" \"\"", {"prog", "", ""}},
        {"prog a\"\"b", {"prog", "ab"}},
        {"prog \"ab", {"prog", "ab"}},
        {"prog \"a\tb\"", {"prog", "a\tb"}},
        // "" inside a quoted section: one quote, and the section ends there.
        {"prog \"a\"\"b c\"", {"prog", "a\"b", "c"}},
        {"prog \"a\"\"b\"c d\"", {"prog", "a\"bc d"}},
        // Backslashes before a quote: n/2 of them, the quote literal when n is odd.
        {"prog \\\"", {"prog", "\""}},
        {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
        {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
        {"prog \"a\\\"b\"", {"prog", "a\"b"}},
        {"prog a\\\\ b\\c", {"prog", "a\\\\", "b\\c"}},
        {"prog a\\", {"prog", "a\\"}},
        // The second byte of a double-byte character is never a quote,
        // a backslash or a blank; without the lead-byte test it is.
        {"prog \x81\\\"x y\"", {"prog", "\x81\\x y"}, sjis_lead},
        {"prog \x81\\\"x y\"", {"prog", "\x81\"x", "y"}},
        {"prog \x81\" b", {"prog", "\x81\"", "b"}, sjis_lead},
        {"prog \x81 b", {"prog", "\x81 b"}, sjis_lead},
        {"\x81\" a", {"\x81\"", "a"}, sjis_lead},
        {"prog a\x81", {"prog", "a\x81"}, sjis_lead},
    };
    for (const auto& c : cases) EXPECT_EQ(split_command_line(c.line, c.lead), c.expected) << "[" << c.line << "]";
}

struct response_case {
    std::string contents;
    args expected;
};

TEST(SplitResponseFile, QuotesAndBackslashes) {
    const response_case cases[] = {
        {"", {}},
        {"a b\n c\r\n", {"a", "b", "c"}},
        {"a\tb\vc\fd\re\n", {"a", "b", "c", "d", "e"}},
        {"\"a b\" c", {"a b", "c"}},
        {"\"\"", {""}},
        {"x\"a b\"y", {"xa by"}},
        {"\"a\\\\\\\"b\"", {"a\\\"b"}},
        {"\"a\\\\\"b c", {"a\\b", "c"}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"\"a\\b\"", {"a\\b"}},
        {"a\\\"b c\"", {"a\\b c"}},
        {"\"a\nb\"", {"a\nb"}},
        {std::string("a\0b c", 5), {"a", "c"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_response_file(c.contents), c.expected) << "[" << c.contents << "]";
}

struct match_case {
    std::string pattern, name;
    bool matches;
};

TEST(PatternMatches, StarAndQuestionMarkOnly) {
    const match_case cases[] = {
        {"*.bin", "x.bin", true},
        {"*.bin", ".bin", true},
        {"*.bin", "x.bin2", false},
        {"?.bin", "ab.bin", false},
        {"??.bin", "ab.bin", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYcZ", false},
        {"*", ".", true},
        {"*", "..", true},
        {"*", ".hidden", true},
        {"[ab]", "a", false},
        {"[ab]", "[ab]", true},
        {"A*", "a", false},
        {"*a", "ba", true},
        {"**", "", true},
        {"?", "", false},
        {"", "", true},
        {"*x*", "abc", false},
    };
    for (const auto& c : cases) EXPECT_EQ(pattern_matches(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(PatternDirectoryPart, UpToTheLastSeparator) {
    EXPECT_EQ(pattern_directory_part("dir/sub/*.bin"), "dir/sub/");
    EXPECT_EQ(pattern_directory_part("c:*.bin"), "c:");
    EXPECT_EQ(pattern_directory_part("a\\b\\c*"), "a\\b\\");
    EXPECT_EQ(pattern_directory_part("*.bin"), "");
}

// A directory of its own for the expansion tests.
struct scratch_dir {
    fs::path path;
    scratch_dir() {
        path = temp_file().string() + ".d";
        fs::create_directories(path);
    }
    ~scratch_dir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string file(const std::string& name, const std::string& contents = {}) const {
        std::ofstream(path / name, std::ios::binary) << contents;
        return (path / name).string();
    }
    std::string prefix() const { return path.string() + "/"; }
};

args sorted(args a) {
    std::sort(a.begin(), a.end());
    return a;
}

TEST(ExpandArguments, PatternsBecomeTheMatchingEntries) {
    scratch_dir dir;
    dir.file("t1.bin");
    dir.file("t2.bin");
    dir.file("other.txt");
    std::string p = dir.prefix();

    args expanded = expand_arguments({"prog", p + "t?.bin", "plain"});
    ASSERT_EQ(expanded.size(), 4u);
    EXPECT_EQ(expanded.front(), "prog");
    EXPECT_EQ(expanded.back(), "plain");
    EXPECT_EQ(sorted({expanded[1], expanded[2]}), sorted({p + "t1.bin", p + "t2.bin"}));

    // Nothing matches, or the directory cannot be listed: kept as typed.
    EXPECT_EQ(expand_arguments({"prog", p + "zz*.q"}), (args{"prog", p + "zz*.q"}));
    EXPECT_EQ(expand_arguments({"prog", p + "nope/*.bin"}), (args{"prog", p + "nope/*.bin"}));
}

TEST(ExpandArguments, DotEntriesAreIncluded) {
    scratch_dir dir;
    dir.file("a");
    std::string p = dir.prefix();
    EXPECT_EQ(sorted(expand_arguments({p + "*"})), sorted({p + ".", p + "..", p + "a"}));
}

TEST(ExpandArguments, ResponseFilesAreReadAndExpandedAgain) {
    scratch_dir dir;
    dir.file("t1.bin");
    std::string p = dir.prefix();
    std::string inner = dir.file("inner.rsp", "\"" + p + "t*.bin\" last");
    std::string outer = dir.file("outer.rsp", "\"two words\"\r\n@" + inner + "\n");
    EXPECT_EQ(expand_arguments({"prog", "first", "@" + outer}),
              (args{"prog", "first", "two words", p + "t1.bin", "last"}));
    // The program name is expanded too; an empty response file leaves nothing.
    std::string empty = dir.file("empty.rsp");
    EXPECT_EQ(expand_arguments({"@" + empty, "x"}), (args{"x"}));
}

TEST(ExpandArguments, ResponseFileFailures) {
    scratch_dir dir;
    std::string missing = dir.prefix() + "missing.txt";
    auto e = error_of([&] { expand_arguments({"prog", "@" + missing}); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->kind, error_kind::command_line);
    EXPECT_EQ(e->text, "Cannot open file " + missing + "\n");

    std::string self = dir.prefix() + "self.rsp";
    dir.file("self.rsp", "a @" + self);
    e = error_of([&] { expand_arguments({"prog", "@" + self}); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->kind, error_kind::command_line);
    EXPECT_EQ(e->text, "Response files nested too deeply: " + self + "\n");
}

TEST(ExpandArguments, ThirtyTwoNestedResponseFilesAreFine) {
    scratch_dir dir;
    std::string p = dir.prefix();
    dir.file("r32.rsp", "deep");
    for (int i = 31; i >= 1; --i)
        dir.file("r" + std::to_string(i) + ".rsp", "@" + p + "r" + std::to_string(i + 1) + ".rsp");
    EXPECT_EQ(expand_arguments({"prog", "@" + p + "r1.rsp"}), (args{"prog", "deep"}));
    dir.file("r32.rsp", "@" + p + "r33.rsp");
    dir.file("r33.rsp", "deeper");
    auto e = error_of([&] { expand_arguments({"prog", "@" + p + "r1.rsp"}); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->text, "Response files nested too deeply: " + p + "r33.rsp\n");
}

}  // namespace
