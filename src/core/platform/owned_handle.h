#pragma once

#include <utility>

namespace rv::platform {

// What the system hands out for an open file or folder: a descriptor on
// POSIX, a HANDLE on Windows. "None" is what a moved-from owner holds.
#ifdef _WIN32
using NativeHandle = void*;
inline constexpr NativeHandle kNoHandle = nullptr;
// A failed open gives INVALID_HANDLE_VALUE, which is not nullptr.
inline bool isOpenHandle(NativeHandle handle) { return handle != kNoHandle && handle != reinterpret_cast<void*>(-1); }
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;
inline bool isOpenHandle(NativeHandle handle) { return handle >= 0; }
#endif

// The platform's own close; false when it reported an error.
bool closeNative(NativeHandle handle);

// A handle that closes itself. Move-only.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(NativeHandle handle) : handle_(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { close(); }

    NativeHandle get() const { return handle_; }
    bool valid() const { return isOpenHandle(handle_); }
    // Hands the handle over to an owner of another kind.
    NativeHandle release() { return std::exchange(handle_, kNoHandle); }
    // Closing can be where a delayed write error shows; the caller must see it.
    bool close() { return !valid() || closeNative(release()); }

private:
    NativeHandle handle_ = kNoHandle;
};

} // namespace rv::platform
