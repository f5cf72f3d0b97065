#include "settings/settings_field_parser.h"

#include <gtest/gtest.h>

using rv::SettingsFieldParser;

namespace {

std::vector<std::string> parse(std::string_view text, std::size_t maxFields = 87, std::size_t maxChars = 100)
{
    SettingsFieldParser parser(maxFields, maxChars);
    parser.feed(text);
    parser.finish();
    return parser.fields();
}

using Fields = std::vector<std::string>;

TEST(SettingsFieldParser, CommasAndLineEndsBothSeparate)
{
    EXPECT_EQ(parse("a,b\r\nc\r\nd,e"), (Fields{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(parse("a\nb\rc"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(parse("a,,b"), (Fields{"a", "", "b"}));
    EXPECT_EQ(parse("a\r\n\r\nb"), (Fields{"a", "", "b"})) << "an empty line is an empty field";
    EXPECT_EQ(parse("a\r\n"), (Fields{"a"})) << "a final line end adds no field";
    EXPECT_EQ(parse(""), Fields{});
}

TEST(SettingsFieldParser, BlanksAroundUnquotedFields) { EXPECT_EQ(parse("  a b  ,\tc"), (Fields{"a b", "c"})); }

TEST(SettingsFieldParser, QuotedFieldsKeepCommasBlanksAndLineEnds)
{
    EXPECT_EQ(parse("\"C:\\RV\\a,b.mdb\",\" x \"\r\n\"\""), (Fields{"C:\\RV\\a,b.mdb", " x ", ""}));
    EXPECT_EQ(parse("\"two\r\nlines\",z"), (Fields{"two\r\nlines", "z"}));
    EXPECT_EQ(parse("\"a\"junk ,b"), (Fields{"a", "b"})) << "text after the closing quote is dropped";
    EXPECT_EQ(parse("  \"a\""), Fields{"a"});
}

TEST(SettingsFieldParser, RecordsWrittenAsQuotedStringsReadBackFieldForField)
{
    EXPECT_EQ(parse("\"a\",\"\",\"c\"\r\n\"d\",\"e\"\r\n"), (Fields{"a", "", "c", "d", "e"}));
}

TEST(SettingsFieldParser, StopsAtTheFieldLimit)
{
    SettingsFieldParser parser(3, 100);
    parser.feed("a,b,c,d,e");
    EXPECT_TRUE(parser.full());
    parser.finish();
    EXPECT_EQ(parser.fields(), (Fields{"a", "b", "c"}));
}

TEST(SettingsFieldParser, ALineEndSplitAcrossChunksIsOneSeparator)
{
    SettingsFieldParser parser(87, 100);
    parser.feed("a\r");
    parser.feed("\nb");
    parser.finish();
    EXPECT_EQ(parser.fields(), (Fields{"a", "b"}));
}

TEST(SettingsFieldParser, BadInputIsBoundedAndNoted)
{
    SettingsFieldParser parser(87, 4);
    parser.feed("12345,1234,\"unclosed");
    parser.feed(std::string_view("a\0b", 3));
    parser.finish();
    EXPECT_EQ(parser.fields(), (Fields{"", "1234", ""})) << "overlong fields are empty, in characters not bytes";
    ASSERT_EQ(parser.notes().size(), 3u);
    EXPECT_EQ(parser.notes()[0], "rv.dat の項目 0：4 文字を超えているため、空として読みました。");
    EXPECT_EQ(parser.notes()[1], "rv.dat の項目 2：閉じる引用符がありません。");

    EXPECT_EQ(parse("予約予約", 87, 4), Fields{"予約予約"}) << "four characters of three bytes each fit";
    EXPECT_EQ(parse(std::string_view("a\0b", 3)), Fields{"a\uFFFDb"});
}

} // namespace
