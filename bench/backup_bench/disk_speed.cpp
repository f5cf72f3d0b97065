#include "disk_speed.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace rv::bench {
namespace {

// Blocks as large as a copier's, aligned for reads and writes past the cache.
constexpr std::size_t kBlock = std::size_t{4} << 20;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Opens past the cache where the file system allows it.
int openFile(const std::filesystem::path& file, int flags, bool& direct)
{
    int fd = ::open(file.c_str(), flags | O_CLOEXEC | O_DIRECT, 0600);
    if (fd < 0 && errno == EINVAL) {
        direct = false;
        fd = ::open(file.c_str(), flags | O_CLOEXEC, 0600);
    }
    return fd;
}

bool writeAll(int fd, char* block, std::uint64_t blocks)
{
    for (std::uint64_t i = 0; i < blocks; ++i) {
        std::memcpy(block, &i, sizeof i); // no two blocks alike
        if (::write(fd, block, kBlock) != static_cast<ssize_t>(kBlock)) {
            return false;
        }
    }
    return ::fsync(fd) == 0;
}

bool readAll(int fd, char* block)
{
    for (;;) {
        const ssize_t got = ::read(fd, block, kBlock);
        if (got <= 0) {
            return got == 0;
        }
    }
}

} // namespace

std::optional<DiskSpeed> measureDiskSpeed(const std::filesystem::path& folder, std::uint64_t megabytes)
{
    const std::filesystem::path file = folder / "disk-speed";
    const std::uint64_t blocks = std::max<std::uint64_t>(1, (megabytes << 20) / kBlock);
    const double total = static_cast<double>(blocks * kBlock) / (1 << 20);
    void* memory = ::mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        return std::nullopt;
    }
    char* block = static_cast<char*>(memory);
    std::memset(block, 0x5A, kBlock);
    DiskSpeed speed;
    bool done = false;
    const int out = openFile(file, O_WRONLY | O_CREAT | O_TRUNC, speed.direct);
    if (out >= 0) {
        const auto start = std::chrono::steady_clock::now();
        done = writeAll(out, block, blocks);
        speed.writeMegabytesPerSecond = total / secondsSince(start);
        done = ::close(out) == 0 && done;
    }
    const int in = done ? openFile(file, O_RDONLY, speed.direct) : -1;
    if (in >= 0) {
        ::posix_fadvise(in, 0, 0, POSIX_FADV_DONTNEED); // clean after the fsync: only what is cached goes
        const auto start = std::chrono::steady_clock::now();
        done = readAll(in, block);
        speed.readMegabytesPerSecond = total / secondsSince(start);
        ::close(in);
    }
    ::munmap(memory, kBlock);
    std::filesystem::remove(file);
    return done && in >= 0 ? std::optional<DiskSpeed>(speed) : std::nullopt;
}

} // namespace rv::bench
