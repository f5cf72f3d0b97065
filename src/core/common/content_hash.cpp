#include "common/content_hash.h"

// Compiled into this file alone, so that neither build needs the library
// itself: the Windows build takes the same header.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <array>

namespace rv {

struct ContentHasher::State {
    XXH3_state_t xxh;
};

ContentHasher::ContentHasher() : state_(std::make_unique<State>()) { XXH3_128bits_reset(&state_->xxh); }
ContentHasher::~ContentHasher() = default;
ContentHasher::ContentHasher(ContentHasher&&) noexcept = default;
ContentHasher& ContentHasher::operator=(ContentHasher&&) noexcept = default;

void ContentHasher::add(const void* bytes, std::size_t size) { XXH3_128bits_update(&state_->xxh, bytes, size); }

void ContentHasher::addZeros(std::uint64_t count)
{
    static constexpr std::size_t kBlock = std::size_t{64} * 1024;
    static const std::array<unsigned char, kBlock> kZeros{};
    for (; count > 0; count -= std::min<std::uint64_t>(count, kBlock)) {
        add(kZeros.data(), static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlock)));
    }
}

void ContentHasher::reset() { XXH3_128bits_reset(&state_->xxh); }

ContentDigest ContentHasher::digest() const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(&state_->xxh);
    return {hash.high64, hash.low64};
}

std::uint64_t textHash(std::string_view text) { return XXH3_64bits(text.data(), text.size()); }

void OffsetHasher::add(std::uint64_t offset, const void* bytes, std::size_t size)
{
    if (offset > reach_) {
        hasher_.addZeros(offset - reach_);
    }
    hasher_.add(bytes, size);
    reach_ = offset + size;
}

ContentDigest OffsetHasher::digestOf(std::uint64_t size)
{
    if (size > reach_) {
        hasher_.addZeros(size - reach_);
        reach_ = size;
    }
    return hasher_.digest();
}

std::string ContentDigest::hex() const
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[static_cast<std::size_t>(15 - i)] = kDigits[(high >> (4 * i)) & 0xF];
        text[static_cast<std::size_t>(31 - i)] = kDigits[(low >> (4 * i)) & 0xF];
    }
    return text;
}

std::optional<ContentDigest> ContentDigest::fromHex(std::string_view text)
{
    if (text.size() != 32) {
        return std::nullopt;
    }
    ContentDigest digest;
    for (std::size_t i = 0; i < 32; ++i) {
        const char c = text[i];
        int value = 0;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        std::uint64_t& half = i < 16 ? digest.high : digest.low;
        half = (half << 4) | static_cast<std::uint64_t>(value);
    }
    return digest;
}

} // namespace rv
