#include "platform/text_codec.h"

#include <gtest/gtest.h>

using rv::platform::Cp932Decoder;
using rv::platform::encodeCp932;

namespace {

// "データバックアップ" in CP932, as the speech libraries receive it.
const std::string kBackupCaptionCp932 = "\x83\x66\x81\x5B\x83\x5E\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76";

TEST(Cp932, DecodesWindowsTableNotStrictJis)
{
    Cp932Decoder decoder;
    // 0x5C is the backslash in CP932 (the yen sign in strict Shift_JIS);
    // 0x87 0x40 is the NEC extension "①", absent from strict Shift_JIS.
    EXPECT_EQ(decoder.decode("C:\\RV\\\x87\x40", true), "C:\\RV\\①");
    // "表" is 0x95 0x5C: its trail byte is a backslash and must stay part of it.
    EXPECT_EQ(decoder.decode("\x95\x5C", true), "表");
    EXPECT_EQ(decoder.invalidBytes(), 0u);
}

TEST(Cp932, CompletesACharacterSplitAcrossChunks)
{
    Cp932Decoder decoder;
    std::string out = decoder.decode("a\x83", false);
    out += decoder.decode("\x66", true);
    EXPECT_EQ(out, "aデ");
    EXPECT_EQ(decoder.invalidBytes(), 0u);
}

TEST(Cp932, ReplacesInvalidBytesAndCountsThem)
{
    Cp932Decoder decoder;
    // 0xA0 and 0xFD are not CP932; a lead byte at the very end has no trail.
    EXPECT_EQ(decoder.decode("x\xA0y\xFDz\x83", true), "x\uFFFDy\uFFFDz\uFFFD");
    EXPECT_EQ(decoder.invalidBytes(), 3u);
}

TEST(Cp932, EncodesCaptionToTheBytesTheLibrariesExpect)
{
    auto encoded = encodeCp932("データバックアップ");
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    EXPECT_EQ(encoded.value(), kBackupCaptionCp932);
}

TEST(Cp932, RefusesCharactersWithoutACp932Form)
{
    auto encoded = encodeCp932("a😀b");
    EXPECT_FALSE(encoded.ok());
}

} // namespace
