#include "fuzz_files.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

memory_file make_memory_file(const char* name) {
    memory_file file;
    file.descriptor = memfd_create(name, 0);
    if (file.descriptor < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    file.path = "/proc/self/fd/" + std::to_string(file.descriptor);
    return file;
}

void fill(const memory_file& file, const std::uint8_t* data, std::size_t size) {
    if (ftruncate(file.descriptor, 0) != 0 ||
        (size > 0 && pwrite(file.descriptor, data, size, 0) != static_cast<ssize_t>(size))) {
        std::perror("filling a memory file");
        std::abort();
    }
}

void fill(const memory_file& file, const std::string& bytes) {
    fill(file, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string contents(const memory_file& file) {
    std::string bytes;
    char buffer[4096];
    for (;;) {
        ssize_t n = pread(file.descriptor, buffer, sizeof buffer, static_cast<off_t>(bytes.size()));
        if (n < 0) {
            std::perror("reading a memory file");
            std::abort();
        }
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

int lowest_free_descriptor() {
    int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror("open /dev/null");
        std::abort();
    }
    close(fd);
    return fd;
}

void check_descriptors(int free_before) {
    int free_after = lowest_free_descriptor();
    if (free_after != free_before) {
        std::fprintf(stderr, "file descriptor leak: lowest free descriptor %d before the run, %d after\n", free_before,
                     free_after);
        std::abort();
    }
}

}  // namespace fuzz
