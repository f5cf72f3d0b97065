#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace rv::platform {
namespace {

// glibc's "CP932" is the Windows table (0x5C is the backslash, NEC and IBM
// extensions included); "SHIFT_JIS" is the strict JIS table and would not do.
constexpr const char* kCp932 = "CP932";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from))
    {
        // iconv_open's documented failure value is (iconv_t)-1.
        if (handle_ == reinterpret_cast<iconv_t>(-1)) { // NOLINT(performance-no-int-to-ptr)
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
        }
    }
    ~IconvHandle() { iconv_close(handle_); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

enum class Stop { Done, Invalid, Incomplete };

// Converts as much of `in` as it can, appending to `out`; leaves `in` at the
// first byte it could not convert and says why it stopped.
Stop convert(iconv_t handle, std::string_view& in, std::string& out)
{
    char buffer[4096];
    while (!in.empty()) {
        char* source = const_cast<char*>(in.data());
        std::size_t sourceLeft = in.size();
        char* target = buffer;
        std::size_t targetLeft = sizeof buffer;
        const std::size_t result = iconv(handle, &source, &sourceLeft, &target, &targetLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        in.remove_prefix(in.size() - sourceLeft);
        if (result != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (error == E2BIG) {
            continue;
        }
        return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
    }
    return Stop::Done;
}

} // namespace

struct Cp932Decoder::Impl {
    IconvHandle handle{"UTF-8", kCp932};
    std::string pending; // a lead byte whose trail byte is in the next chunk
    std::size_t invalid = 0;
};

Cp932Decoder::Cp932Decoder() : impl_(std::make_unique<Impl>()) {}
Cp932Decoder::~Cp932Decoder() = default;

std::string Cp932Decoder::decode(std::string_view bytes, bool last)
{
    std::string joined;
    if (!impl_->pending.empty()) {
        joined = impl_->pending + std::string(bytes);
        impl_->pending.clear();
        bytes = joined;
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (;;) {
        const Stop stop = convert(impl_->handle.get(), bytes, out);
        if (stop == Stop::Done) {
            break;
        }
        if (stop == Stop::Incomplete && !last) {
            impl_->pending.assign(bytes);
            break;
        }
        // Not CP932 (or cut off at the end of the input): mark it and go on
        // with the next byte, so that one bad byte costs one character.
        out += kReplacement;
        ++impl_->invalid;
        bytes.remove_prefix(1);
    }
    return out;
}

std::size_t Cp932Decoder::invalidBytes() const { return impl_->invalid; }

Result<std::string, std::string> encodeCp932(std::string_view utf8)
{
    using R = Result<std::string, std::string>;
    try {
        IconvHandle handle(kCp932, "UTF-8");
        std::string out;
        const std::string_view original = utf8;
        switch (convert(handle.get(), utf8, out)) {
        case Stop::Done:
            return R::success(std::move(out));
        case Stop::Incomplete:
            return R::failure("incomplete UTF-8 at the end of the text");
        case Stop::Invalid:
            break;
        }
        return R::failure("character at byte " + std::to_string(original.size() - utf8.size()) + " has no CP932 form");
    } catch (const std::runtime_error& error) {
        return R::failure(error.what());
    }
}

} // namespace rv::platform
