// The frame shared by the three programs: argument list, banner and usage,
// and the single place where a failure ends the run.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "channel.hpp"

namespace drovenna {

using argument_list = std::vector<std::string>;

// Element i of the argument list; Invalid_argument("index out of bounds")
// when there is none (a response file may leave the list empty).
const std::string& argument(const argument_list& args, std::size_t i);

// Writes text to standard output (buffered).
void print(std::string_view text);

// The banner: the program's title line, our credit line, two empty lines;
// flushed at once so that it comes before anything else the run prints.
void print_banner(std::string_view title);

// Prints a usage text: "Syntax : ", the program name as typed, then the
// given pieces, each written as it stands.
void print_usage(const argument_list& args, std::initializer_list<std::string_view> usage);

// When the argument list does not hold `expected` elements, prints the usage
// text and returns true: "Syntax : ", the program name as typed, then the
// given pieces, each written as it stands.
bool usage_needed(const argument_list& args, std::size_t expected, std::initializer_list<std::string_view> usage);

// Refuses to go on when `output_path` names the same file as the open input,
// also through a link: opening it for writing would empty that input.
void refuse_same_file(const in_channel& input, const std::string& output_path, std::string_view what);

// Runs a program's main flow on the expanded argument list and returns the
// exit status: the flow's own at a normal end, 2 after a failure. Every error
// ends up here; output channels are flushed before the fatal line is printed.
using main_flow = int (*)(const argument_list& args);
int run_program(int argc, char** argv, main_flow flow);

}  // namespace drovenna
