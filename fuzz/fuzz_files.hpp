// What the harnesses share: files in memory that the channels open by path,
// and a check that a run gives back every descriptor it took.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A memory file (memfd) and the /proc path that opens it again.
struct memory_file {
    int descriptor = -1;
    std::string path;
};

memory_file make_memory_file(const char* name);

// Replaces the file's contents with the bytes.
void fill(const memory_file& file, const std::uint8_t* data, std::size_t size);
void fill(const memory_file& file, const std::string& bytes);

// The file's whole contents.
std::string contents(const memory_file& file);

// The descriptor the next open would get: after a run it must be the same as
// before, or the run left a file open.
int lowest_free_descriptor();
void check_descriptors(int free_before);

}  // namespace fuzz
