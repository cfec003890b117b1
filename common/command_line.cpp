#include "command_line.hpp"

#include "error.hpp"
#include "platform.hpp"

namespace drovenna {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_response_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool lead(lead_byte_test is_lead_byte, char c) {
    return is_lead_byte != nullptr && is_lead_byte(static_cast<unsigned char>(c));
}

// Arguments come from C strings on every system: a NUL byte ends one.
std::string up_to_nul(std::string arg) {
    auto nul = arg.find('\0');
    if (nul != std::string::npos) arg.resize(nul);
    return arg;
}

bool starts_with(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

void expand_argument(const std::string& arg, int depth, std::vector<std::string>& out);

void expand_response_file(const std::string& path, int depth, std::vector<std::string>& out) {
    if (depth > max_response_depth) raise_command_line_error("Response files nested too deeply: " + path + "\n");
    platform::file f;
    if (platform::open_for_reading(path, f) != 0) raise_command_line_error("Cannot open file " + path + "\n");
    std::string contents;
    unsigned char chunk[4096];
    for (;;) {
        std::int64_t got = 0;
        if (platform::read_some(f, chunk, sizeof chunk, got) != 0) {
            platform::close_file(f);
            raise_command_line_error("Cannot open file " + path + "\n");
        }
        if (got == 0) break;
        contents.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
    }
    platform::close_file(f);
    for (const auto& arg : split_response_file(contents)) expand_argument(arg, depth, out);
}

void expand_argument(const std::string& arg, int depth, std::vector<std::string>& out) {
    if (!arg.empty() && arg[0] == '@') {
        expand_response_file(arg.substr(1), depth + 1, out);
        return;
    }
    if (arg.find_first_of("*?") != std::string::npos) {
        std::vector<std::string> names;
        if (platform::matching_entries(arg, names) && !names.empty()) {
            std::string directory = pattern_directory_part(arg);
            for (const auto& name : names) out.push_back(directory + name);
            return;
        }
    }
    out.push_back(arg);
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line, lead_byte_test is_lead_byte) {
    std::vector<std::string> args;
    std::size_t p = 0, n = line.size();

    // The program name: up to the first blank outside quotes. Quotes toggle
    // and are dropped; backslashes are plain characters here.
    std::string name;
    bool quoted = false;
    while (p < n) {
        char c = line[p];
        if (c == '"') {
            quoted = !quoted;
            ++p;
            continue;
        }
        if (!quoted && is_blank(c)) {
            ++p;
            break;
        }
        name += c;
        ++p;
        if (lead(is_lead_byte, c) && p < n) name += line[p++];
    }
    args.push_back(up_to_nul(std::move(name)));

    quoted = false;
    for (;;) {
        while (p < n && is_blank(line[p])) ++p;
        if (p >= n) break;
        std::string arg;
        for (;;) {
            bool copy = true;
            std::size_t slashes = 0;
            while (p < n && line[p] == '\\') {
                ++p;
                ++slashes;
            }
            if (p < n && line[p] == '"') {
                if (slashes % 2 == 0) {
                    // A quote mark. Doubled inside a quoted section it gives
                    // one literal quote, and the section ends all the same.
                    if (quoted && p + 1 < n && line[p + 1] == '"') {
                        ++p;
                    } else {
                        copy = false;
                    }
                    quoted = !quoted;
                }
                slashes /= 2;
            }
            arg.append(slashes, '\\');
            if (p >= n || (!quoted && is_blank(line[p]))) break;
            if (copy) {
                if (lead(is_lead_byte, line[p]) && p + 1 < n) arg += line[p++];
                arg += line[p];
            }
            ++p;
        }
        args.push_back(up_to_nul(std::move(arg)));
    }
    return args;
}

std::vector<std::string> split_response_file(std::string_view text) {
    std::vector<std::string> args;
    std::size_t p = 0, n = text.size();
    for (;;) {
        while (p < n && is_response_space(text[p])) ++p;
        if (p >= n) break;
        std::string arg;
        bool quoted = false;
        while (p < n) {
            char c = text[p];
            if (!quoted) {
                if (is_response_space(c)) break;
                if (c == '"')
                    quoted = true;
                else
                    arg += c;
                ++p;
                continue;
            }
            if (c == '"') {
                quoted = false;
                ++p;
            } else if (starts_with(text, p, "\\\\\\\"")) {
                arg += "\\\"";
                p += 4;
            } else if (starts_with(text, p, "\\\\\"")) {
                arg += '\\';
                quoted = false;
                p += 3;
            } else if (starts_with(text, p, "\\\"")) {
                arg += '"';
                p += 2;
            } else {
                arg += c;
                ++p;
            }
        }
        args.push_back(up_to_nul(std::move(arg)));
    }
    return args;
}

std::string pattern_directory_part(std::string_view pattern) {
    auto last = pattern.find_last_of("\\/:");
    if (last == std::string_view::npos) return {};
    return std::string(pattern.substr(0, last + 1));
}

bool pattern_matches(std::string_view pattern, std::string_view name) {
    // Greedy matching with one backtrack point: the latest "*".
    std::size_t p = 0, s = 0;
    std::size_t star = std::string_view::npos, star_s = 0;
    while (s < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[s])) {
            ++p;
            ++s;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_s = s;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            s = ++star_s;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> expand_arguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> out;
    for (const auto& arg : arguments) expand_argument(arg, 0, out);
    return out;
}

}  // namespace drovenna
