#include "settings/settings_field_parser.h"

namespace rv {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
// UTF-8 continuation bytes do not start a character.
bool startsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

SettingsFieldParser::SettingsFieldParser(std::size_t maxFields, std::size_t maxFieldChars)
    : maxFields_(maxFields), maxFieldChars_(maxFieldChars)
{
}

void SettingsFieldParser::feed(std::string_view utf8)
{
    for (const char c : utf8) {
        if (full()) {
            return;
        }
        // CR LF is one line end; the LF after a CR ends nothing more.
        const bool lineFeedOfPair = afterCarriageReturn_ && c == '\n';
        afterCarriageReturn_ = (c == '\r');
        if (lineFeedOfPair && state_ != State::Quoted) {
            continue;
        }
        switch (state_) {
        case State::BeforeField:
            if (c == ',' || isLineEnd(c)) {
                endField();
            } else if (c == '"') {
                state_ = State::Quoted;
            } else if (!isBlank(c)) {
                state_ = State::Unquoted;
                append(c);
            }
            break;
        case State::Unquoted:
            if (c == ',' || isLineEnd(c)) {
                endField();
            } else {
                append(c);
            }
            break;
        case State::Quoted:
            if (c == '"') {
                state_ = State::AfterQuote;
            } else {
                append(c);
            }
            break;
        case State::AfterQuote:
            if (c == ',' || isLineEnd(c)) {
                endField();
            }
            break;
        }
    }
}

void SettingsFieldParser::finish()
{
    if (full()) {
        return;
    }
    if (state_ == State::Quoted) {
        notes_.push_back("rv.dat の項目 " + std::to_string(fields_.size()) + "：閉じる引用符がありません。");
    }
    if (state_ != State::BeforeField) {
        endField();
    }
}

void SettingsFieldParser::append(char byte)
{
    if (overlong_) {
        return;
    }
    if (startsCharacter(byte) && ++currentChars_ > maxFieldChars_) {
        overlong_ = true;
        std::string().swap(current_); // give the memory back at once
        return;
    }
    if (byte == '\0') {
        // No path holds a NUL; mark it visibly rather than cut the path short.
        heldNul_ = true;
        current_ += kReplacement;
        return;
    }
    current_ += byte;
}

void SettingsFieldParser::endField()
{
    const std::string index = std::to_string(fields_.size());
    if (state_ == State::Unquoted) {
        while (!current_.empty() && isBlank(current_.back())) {
            current_.pop_back();
        }
    }
    if (overlong_) {
        notes_.push_back("rv.dat の項目 " + index + "：" + std::to_string(maxFieldChars_) +
                         " 文字を超えているため、空として読みました。");
        current_.clear();
    } else if (heldNul_) {
        notes_.push_back("rv.dat の項目 " + index + "：NUL 文字を含んでいます。");
    }
    fields_.push_back(std::move(current_));
    current_.clear();
    currentChars_ = 0;
    overlong_ = false;
    heldNul_ = false;
    state_ = State::BeforeField;
}

} // namespace rv
