// Helpers for the unit tests: byte fixtures in temporary files, channels on
// them, and catching the error a call raises.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "channel.hpp"
#include "error.hpp"

namespace testing_files {

// "20 87 00" -> the three bytes.
std::string bytes_of(const std::string& hex);

// A fresh temporary file holding `bytes`; removed at the end of the test program.
std::filesystem::path temp_file(const std::string& bytes = {});

std::unique_ptr<drovenna::in_channel> input_of(const std::string& bytes);

std::string read_file(const std::filesystem::path& path);

// The error `action` raises, or nothing when it returns.
std::optional<drovenna::error> error_of(const std::function<void()>& action);

// Runs `action` with an output channel on a fresh file and returns what the
// file holds afterwards; any error is kept in `raised`. The channel is
// flushed and closed whatever happens, as the program's end would do.
std::string output_of(const std::function<void(drovenna::out_channel&)>& action,
                      std::optional<drovenna::error>* raised = nullptr);

// "Failure(\"...\")" and the like, for comparing errors in one assertion.
std::string describe(const std::optional<drovenna::error>& e);

}  // namespace testing_files
