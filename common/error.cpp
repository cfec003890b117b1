#include "error.hpp"

#include <utility>

namespace drovenna {

namespace {

[[noreturn]] void raise(error_kind kind, std::string text) {
    error e;
    e.kind = kind;
    e.text = std::move(text);
    throw e;
}

void append_quoted(std::string& out, const std::string& text) {
    out += '"';
    out.append(text, 0, text.find('\0'));
    out += '"';
}

}  // namespace

void raise_sys_error(std::string text) { raise(error_kind::sys_error, std::move(text)); }
void raise_end_of_file() { raise(error_kind::end_of_file, {}); }
void fail(std::string text) { raise(error_kind::failure, std::move(text)); }
void raise_invalid_argument(std::string text) { raise(error_kind::invalid_argument, std::move(text)); }
void raise_command_line_error(std::string message) { raise(error_kind::command_line, std::move(message)); }

void raise_match_failure(std::string source, std::int64_t line, std::int64_t column) {
    error e;
    e.kind = error_kind::match_failure;
    e.source = std::move(source);
    e.line = line;
    e.column = column;
    throw e;
}

std::string compose_error_text(const error& e) {
    std::string out;
    switch (e.kind) {
        case error_kind::sys_error:
            out = "Sys_error(";
            append_quoted(out, e.text);
            out += ')';
            break;
        case error_kind::end_of_file:
            out = "End_of_file";
            break;
        case error_kind::failure:
            out = "Failure(";
            append_quoted(out, e.text);
            out += ')';
            break;
        case error_kind::invalid_argument:
            out = "Invalid_argument(";
            append_quoted(out, e.text);
            out += ')';
            break;
        case error_kind::match_failure:
            out = "Match_failure(";
            append_quoted(out, e.source);
            out += ", " + std::to_string(e.line) + ", " + std::to_string(e.column) + ")";
            break;
        case error_kind::command_line:
            out = e.text;
            break;
    }
    if (out.size() > max_error_text) out.resize(max_error_text);
    return out;
}

}  // namespace drovenna
