#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rv {

// A file's contents in 128 bits (XXH3-128): fast enough to compute while the
// bytes pass, and wide enough that two different contents never meet.
struct ContentDigest {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    // 32 lower-case hexadecimal digits, high half first.
    std::string hex() const;
    static std::optional<ContentDigest> fromHex(std::string_view text);

    friend bool operator==(const ContentDigest&, const ContentDigest&) = default;
};

// Takes the bytes of one file in any number of pieces.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(ContentHasher&&) noexcept;
    ContentHasher& operator=(ContentHasher&&) noexcept;
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void add(const void* bytes, std::size_t size);
    // count zero bytes: what a reader gets from the holes of a sparse file.
    void addZeros(std::uint64_t count);
    ContentDigest digest() const;
    // Starts over, for the next file: the state is kept, not made again.
    void reset();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// 64 bits of a short text's own hash (XXH3-64), the same on every system and
// in every run, taken without allocating: for a path looked up per file.
std::uint64_t textHash(std::string_view text);

// A file's digest taken from pieces at known offsets, in order: the gaps
// between them (the holes of a sparse file) count as zeros.
class OffsetHasher {
public:
    void add(std::uint64_t offset, const void* bytes, std::size_t size);
    // The digest of the file's first size bytes.
    ContentDigest digestOf(std::uint64_t size);

private:
    ContentHasher hasher_;
    std::uint64_t reach_ = 0;
};

} // namespace rv
