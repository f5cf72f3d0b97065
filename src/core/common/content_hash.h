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
    ContentDigest digest() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace rv
