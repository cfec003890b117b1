// From the command line to the argument list: splitting a Windows command
// line, response files ("@path") and file-name patterns ("*", "?").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drovenna {

// True for the first byte of a double-byte character in the active code page.
using lead_byte_test = bool (*)(unsigned char byte);

// Splits one command-line string the way Windows console programs do:
// the program name up to the first blank outside quotes (quotes toggle,
// backslashes plain), then arguments with the backslash-quote rules; a
// double-byte character's second byte is never a quote, backslash or blank.
std::vector<std::string> split_command_line(std::string_view line, lead_byte_test is_lead_byte);

// The arguments held in a response file's bytes.
std::vector<std::string> split_response_file(std::string_view contents);

// Response files nested deeper than this stop the run.
constexpr int max_response_depth = 32;

// Everything up to and including the last "\", "/" or ":" (or nothing).
std::string pattern_directory_part(std::string_view pattern);

// "*" matches any run of bytes, "?" exactly one; every other byte itself.
bool pattern_matches(std::string_view pattern, std::string_view name);

// Expands response files and patterns in every argument, program name
// included. Failures are command-line errors that end the run before
// anything is printed on standard output.
std::vector<std::string> expand_arguments(const std::vector<std::string>& arguments);

}  // namespace drovenna
