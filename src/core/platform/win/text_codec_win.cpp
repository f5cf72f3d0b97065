#include "platform/text_codec.h"

#include <windows.h>

namespace rv::platform {
namespace {

constexpr UINT kCp932 = 932;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

std::string wideToUtf8(const wchar_t* wide, int length)
{
    if (length <= 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// One CP932 character (one or two bytes) to UTF-8, or nothing if it is not CP932.
bool decodeUnit(std::string_view unit, std::string& out)
{
    wchar_t wide[2];
    const int length =
        MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, unit.data(), static_cast<int>(unit.size()), wide, 2);
    if (length <= 0) {
        return false;
    }
    out += wideToUtf8(wide, length);
    return true;
}

} // namespace

struct Cp932Decoder::Impl {
    std::string pending; // a lead byte whose trail byte is in the next chunk
    std::size_t invalid = 0;
};

Cp932Decoder::Cp932Decoder() : impl_(std::make_unique<Impl>()) {}
Cp932Decoder::~Cp932Decoder() = default;

std::string Cp932Decoder::decode(std::string_view bytes, bool last)
{
    std::string joined = impl_->pending + std::string(bytes);
    impl_->pending.clear();
    std::string out;
    out.reserve(joined.size() + joined.size() / 2);
    std::size_t i = 0;
    while (i < joined.size()) {
        const auto byte = static_cast<BYTE>(joined[i]);
        const bool lead = IsDBCSLeadByteEx(kCp932, byte) != 0;
        if (lead && i + 1 == joined.size() && !last) {
            impl_->pending = joined.substr(i);
            break;
        }
        const std::size_t width = (lead && i + 1 < joined.size()) ? 2 : 1;
        if (decodeUnit(std::string_view(joined).substr(i, width), out)) {
            i += width;
        } else {
            // Not CP932: mark it and go on with the next byte.
            out += kReplacement;
            ++impl_->invalid;
            ++i;
        }
    }
    return out;
}

std::size_t Cp932Decoder::invalidBytes() const { return impl_->invalid; }

Result<std::string, std::string> encodeCp932(std::string_view utf8)
{
    using R = Result<std::string, std::string>;
    if (utf8.empty()) {
        return R::success({});
    }
    const int wideLength =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wideLength <= 0) {
        return R::failure("the text is not valid UTF-8");
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) {
        return R::failure("a character has no CP932 form");
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), size, nullptr, nullptr);
    return R::success(std::move(out));
}

} // namespace rv::platform
