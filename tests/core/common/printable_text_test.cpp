#include "common/printable_text.h"

#include <gtest/gtest.h>

#include <utility>

// What may break a line, forge one or steer a terminal is escaped; the rest
// of a name, whatever its script, is left as it is.
TEST(PrintableText, ControlCharactersAndLineSeparatorsBecomeTheirBytesInHex)
{
    const std::pair<std::string, std::string> cases[] = {
        {"x\nOK      forged", "x\\x0AOK      forged"},
        {"tab\tcr\r", "tab\\x09cr\\x0D"},
        {std::string("nul\0end", 7), "nul\\x00end"},
        {"\x1B[2Jclear", "\\x1B[2Jclear"},
        {"del\x7F", "del\\x7F"},
        {"next line\xC2\x85", "next line\\xC2\\x85"},                                   // U+0085
        {"line\xE2\x80\xA8para\xE2\x80\xA9", "line\\xE2\\x80\\xA8para\\xE2\\x80\\xA9"}, // U+2028, U+2029
        {"患者 山田\\カルテ.jpg", "患者 山田\\カルテ.jpg"},
        {"café\xE2\x80\xA6", "café\xE2\x80\xA6"}, // U+00E9 and U+2026 are not controls
        {"\xFF\xFE broken", "\xFF\xFE broken"},   // not UTF-8, but nothing that breaks a line
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(rv::printable(name), shown);
    }
}
