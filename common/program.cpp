#include "program.hpp"

#include <cstdio>
#include <exception>
#include <new>

#include "channel.hpp"
#include "command_line.hpp"
#include "error.hpp"
#include "platform.hpp"

namespace drovenna {

namespace {

// Standard error gets whole messages, written at once; a failure there has
// nowhere left to be reported.
void print_error(std::string_view text) noexcept {
    try {
        out_channel& err = standard_error();
        output_bytes(err, text);
        flush(err);
    } catch (...) {
    }
}

}  // namespace

const std::string& argument(const argument_list& args, std::size_t i) {
    if (i >= args.size()) raise_invalid_argument("index out of bounds");
    return args[i];
}

void print(std::string_view text) { output_bytes(standard_output(), text); }

void print_banner(std::string_view title) {
    print(title);
    print("Free rewrite for the Drovenna translation and modding community\n\n\n");
    flush(standard_output());
}

void print_usage(const argument_list& args, std::initializer_list<std::string_view> usage) {
    const std::string& name = argument(args, 0);
    print("Syntax : ");
    print(name);
    for (auto piece : usage) print(piece);
    flush(standard_output());
}

bool usage_needed(const argument_list& args, std::size_t expected, std::initializer_list<std::string_view> usage) {
    if (args.size() == expected) return false;
    print_usage(args, usage);
    return true;
}

void refuse_same_file(const in_channel& input, const std::string& output_path, std::string_view what) {
    if (is_file_of(input, output_path)) {
        fail(std::string(output_path) + ": is " + std::string(what) + "; refusing to overwrite it");
    }
}

int run_program(int argc, char** argv, main_flow flow) {
    platform::prepare_process();

    argument_list args;
    try {
        args = expand_arguments(platform::raw_arguments(argc, argv));
    } catch (const error& e) {
        print_error(e.text);
        return 2;
    } catch (const std::bad_alloc&) {
        print_error("Out of memory while expanding command line\n");
        return 2;
    }

    int status = 0;
    try {
        status = flow(args);
    } catch (const error& e) {
        std::string line;
        bool composed = true;
        try {
            line = "Fatal error: exception " + compose_error_text(e) + "\n";
        } catch (const std::bad_alloc&) {
            composed = false;
        }
        flush_all();
        print_error(composed ? std::string_view(line) : std::string_view("Fatal error: out of memory\n"));
        return 2;
    } catch (const std::bad_alloc&) {
        flush_all();
        print_error("Fatal error: out of memory\n");
        return 2;
    } catch (const std::exception& e) {
        flush_all();
        print_error(std::string("Fatal error: internal error: ") + e.what() + "\n");
        return 2;
    }
    flush_all();
    return status;
}

}  // namespace drovenna
