#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// Splits rv.dat text (already decoded to UTF-8) into fields, fed a chunk at a
// time, keeping at most `maxFields` fields of at most `maxFieldChars`
// characters each, so that no file, however large, is held in memory.
//
// A field ends at a comma or a line end (CR LF, a lone CR or a lone LF).
// Blanks before a field are skipped; an unquoted field loses its trailing
// blanks; a quoted field runs to the next double quote (commas and line ends
// inside belong to it) and whatever follows its closing quote up to the next
// separator is dropped. An empty line is an empty field. A field that grows
// past maxFieldChars cannot be a path and is read as empty.
class SettingsFieldParser {
public:
    SettingsFieldParser(std::size_t maxFields, std::size_t maxFieldChars);

    void feed(std::string_view utf8);
    // The end of the file: a field in progress (even an unclosed quote) ends here.
    void finish();

    bool full() const { return fields_.size() >= maxFields_; }
    const std::vector<std::string>& fields() const { return fields_; }
    // One line for each field that was passed over or altered, with its index.
    const std::vector<std::string>& notes() const { return notes_; }

private:
    enum class State { BeforeField, Unquoted, Quoted, AfterQuote };

    void append(char byte);
    void endField();

    std::size_t maxFields_;
    std::size_t maxFieldChars_;
    State state_ = State::BeforeField;
    bool afterCarriageReturn_ = false;
    std::string current_;
    std::size_t currentChars_ = 0;
    bool overlong_ = false;
    bool heldNul_ = false;
    std::vector<std::string> fields_;
    std::vector<std::string> notes_;
};

} // namespace rv
