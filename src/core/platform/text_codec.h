#pragma once

#include "common/result.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace rv::platform {

// Turns CP932 bytes (the records system's ANSI code page) into UTF-8, a chunk
// at a time, so that a large file never has to be held whole. A character
// split across two chunks is completed by the next call. Bytes that are not
// CP932 become U+FFFD and are counted, never thrown.
class Cp932Decoder {
public:
    Cp932Decoder();
    ~Cp932Decoder();
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;

    // `last` flushes a dangling lead byte (it then counts as invalid).
    std::string decode(std::string_view bytes, bool last);
    std::size_t invalidBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// UTF-8 to CP932. Fails, with the reason, when a character has no CP932 form.
Result<std::string, std::string> encodeCp932(std::string_view utf8);

} // namespace rv::platform
