#include "platform/posix/file_errors_posix.h"
#include "platform/read_back.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace rv::platform {
namespace {

// O_DIRECT wants the buffer, the offsets and the sizes aligned to the
// device's blocks; a page covers every block size in use.
constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kChunk = std::size_t{1} << 20;

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

struct FreeAligned {
    void operator()(char* buffer) const { std::free(buffer); }
};

} // namespace

Result<ReadBack, FileError> readFromDevice(std::string_view path,
                                           const std::function<void(const char*, std::size_t)>& sink,
                                           const std::atomic<bool>* cancel)
{
    using R = Result<ReadBack, FileError>;
    const std::string name(path);
    ReadBack done;
    Descriptor file;
    file.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_DIRECT);
    if (file.fd < 0 && errno == EINVAL) {
        // The file system has no direct reads (tmpfs, some FUSE): drop the
        // cached pages instead, which after a flush are all clean.
        file.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        done.path = ReadPath::CacheDropped;
        if (file.fd >= 0) {
            ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_DONTNEED);
        }
    }
    if (file.fd < 0) {
        return R::failure(sourceError(errno, name));
    }
    void* memory = nullptr;
    if (::posix_memalign(&memory, kAlignment, kChunk) != 0) {
        return R::failure({FileErrorKind::NotReadable, name + ": no memory for reading"});
    }
    const std::unique_ptr<char, FreeAligned> buffer(static_cast<char*>(memory));
    for (;;) {
        if (cancel && *cancel) {
            return R::failure({FileErrorKind::Cancelled, name});
        }
        const ssize_t got = ::read(file.fd, buffer.get(), kChunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno == EINVAL && done.bytes == 0 && done.path == ReadPath::Device) {
            // Refused at the first read rather than at the open.
            ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_DIRECT);
            ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_DONTNEED);
            done.path = ReadPath::CacheDropped;
            continue;
        }
        if (got < 0) {
            return R::failure(sourceError(errno, name));
        }
        if (got == 0) {
            return R::success(done);
        }
        sink(buffer.get(), static_cast<std::size_t>(got));
        done.bytes += static_cast<std::uint64_t>(got);
    }
}

} // namespace rv::platform
