#pragma once

#include <unistd.h>

#include <utility>

namespace rv::platform {

// A file descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor over to an owner of another kind.
    int release() { return std::exchange(fd_, -1); }
    // Closing can be where a delayed write error shows; the caller must see it.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

} // namespace rv::platform
