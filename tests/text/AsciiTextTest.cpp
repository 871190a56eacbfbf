#include "platform/text/AsciiText.h"

#include <gtest/gtest.h>

namespace {

using namespace KitText;

TEST(AsciiText, UpperCasingMapsOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("d:\\suite\\lib7;"), "D:\\SUITE\\LIB7;");
    // Bytes beyond ASCII keep their value and position.
    EXPECT_EQ(UpperAscii("\xe4\xf6x\xfc"), "\xe4\xf6X\xfc");
    EXPECT_EQ(UpperAscii("{`az@[}"), "{`AZ@[}");
}

TEST(AsciiText, CaseInsensitiveComparisonIgnoresOnlyAsciiCase) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase(":LINK OC3Help.hlp", ":Link oc3help.HLP"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xe4", "\xc4"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("abc", "abc "));
}

TEST(AsciiText, TrimmingRemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(TrimBlanks("\t \x01PACKAGES = a \\ \r"), "PACKAGES = a \\");
    EXPECT_EQ(TrimBlanks(" \t\r\n"), "");
    // Bytes above 127 are not blanks, even though a signed char is negative.
    EXPECT_EQ(TrimBlanks("\xa0x\xa0"), "\xa0x\xa0");
}

}  // namespace
