// The one error type of the programs.
//
// A failure is raised where it is detected, as an `error` value carrying its
// kind and arguments, and travels up to the program entry (program.cpp),
// the only place that catches it. There it becomes the line
// "Fatal error: exception <text>" on standard error and exit status 2.
#pragma once

#include <cstdint>
#include <string>

namespace drovenna {

enum class error_kind {
    sys_error,         // Sys_error(text): "path: reason" on open, the reason alone otherwise
    end_of_file,       // End_of_file: a byte read past the end of an input
    failure,           // Failure(text)
    invalid_argument,  // Invalid_argument(text)
    match_failure,     // Match_failure(source, line, column)
    command_line,      // command-line expansion failed: `text` is the whole message
};

struct error {
    error_kind kind = error_kind::failure;
    std::string text;
    std::string source;
    std::int64_t line = 0;
    std::int64_t column = 0;
};

[[noreturn]] void raise_sys_error(std::string text);
[[noreturn]] void raise_end_of_file();
[[noreturn]] void fail(std::string text);
[[noreturn]] void raise_invalid_argument(std::string text);
[[noreturn]] void raise_match_failure(std::string source, std::int64_t line, std::int64_t column);
[[noreturn]] void raise_command_line_error(std::string message);

// The longest error text the fatal report prints; whatever would follow is dropped.
constexpr std::size_t max_error_text = 255;

// The error as the fatal report shows it: the kind's name, then the arguments
// in parentheses. Texts are quoted raw and cut at their first NUL; the whole
// text is cut at 255 bytes.
std::string compose_error_text(const error& e);

}  // namespace drovenna
