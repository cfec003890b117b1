#include "test_files.hpp"

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace testing_files {

namespace fs = std::filesystem;

namespace {

struct cleanup {
    std::vector<fs::path> paths;
    ~cleanup() {
        std::error_code ec;
        for (const auto& p : paths) fs::remove(p, ec);
    }
};

cleanup& created() {
    static cleanup c;
    return c;
}

}  // namespace

std::string bytes_of(const std::string& hex) {
    std::string bytes;
    std::istringstream in(hex);
    std::string word;
    while (in >> word) bytes += static_cast<char>(std::stoi(word, nullptr, 16));
    return bytes;
}

fs::path temp_file(const std::string& bytes) {
    static std::atomic<int> counter{0};
    static const std::string stamp = std::to_string(fs::file_time_type::clock::now().time_since_epoch().count());
    fs::path path = fs::temp_directory_path() / ("drovenna-unit-" + stamp + "-" + std::to_string(counter++));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    created().paths.push_back(path);
    return path;
}

std::unique_ptr<drovenna::in_channel> input_of(const std::string& bytes) {
    return drovenna::open_in(temp_file(bytes).string());
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<drovenna::error> error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const drovenna::error& e) {
        return e;
    }
    return std::nullopt;
}

std::string output_of(const std::function<void(drovenna::out_channel&)>& action,
                      std::optional<drovenna::error>* raised) {
    fs::path path = temp_file();
    drovenna::out_channel& out = drovenna::open_out(path.string());
    auto e = error_of([&] { action(out); });
    drovenna::close_out(out);
    if (raised) *raised = e;
    return read_file(path);
}

std::string describe(const std::optional<drovenna::error>& e) {
    return e ? drovenna::compose_error_text(*e) : "no error";
}

}  // namespace testing_files
