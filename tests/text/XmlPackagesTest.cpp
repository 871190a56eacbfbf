#include "setup/text/XmlPackages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/AsciiText.h"

namespace {

using namespace ComponentSetup;
using Names = std::vector<std::string>;

TEST(XmlPackages, AFileIsXmlWhenItsFirstNonBlankLineBeginsWithTheDeclaration) {
    EXPECT_TRUE(IsXmlProject("<?xml version='1.0' encoding='utf-8' ?>\r\n<PROJECT>"));
    EXPECT_TRUE(IsXmlProject("\r\n  \t\r\n<?xml version='1.0'?>"));
    EXPECT_TRUE(IsXmlProject("\xEF\xBB\xBF<?xml version='1.0'?>"));
    EXPECT_FALSE(IsXmlProject(""));
    EXPECT_FALSE(IsXmlProject("# <?xml\r\nPACKAGES = vcl50.bpi"));
    EXPECT_FALSE(IsXmlProject("<PROJECT>"));
    EXPECT_FALSE(IsXmlProject("<?XML version='1.0'?>"));
}

TEST(XmlPackages, ReferencesAreDecodedOnlyWhenComplete) {
    EXPECT_EQ(DecodeXmlText("a&amp;b&lt;c&gt;d&quot;e&apos;f"), "a&b<c>d\"e'f");
    EXPECT_EQ(DecodeXmlText("&#79;s&#x33;0&#x4f;"), "Os30O");
    // Not an ASCII character, not a reference, or unfinished: kept as written.
    EXPECT_EQ(DecodeXmlText("&#233;&#x20AC;&#128;"), "&#233;&#x20AC;&#128;");
    EXPECT_EQ(DecodeXmlText("&nbsp; & &#; &#x; &#65 &#6a; &amp"), "&nbsp; & &#; &#x; &#65 &#6a; &amp");
    EXPECT_EQ(DecodeXmlText("&amp;amp;"), "&amp;");
}

TEST(XmlPackages, EncodingProtectsMarkupQuotesAndSeparators) {
    EXPECT_EQ(EncodeXmlText("Os30Ctls60.bpi"), "Os30Ctls60.bpi");
    EXPECT_EQ(EncodeXmlText("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(EncodeXmlText("a b\tc\r\n"), "a&#32;b&#9;c&#13;&#10;");
    const std::string awkward = std::string("x&y <z> \"q\" 'r'\t\x01") + '\0';
    EXPECT_EQ(DecodeXmlText(EncodeXmlText(awkward)), awkward);
}

TEST(XmlPackages, TheFirstPackagesElementOutsideCommentsAndOtherMarkupIsFound) {
    const std::string file =
        "<?xml version='1.0'?>\n"
        "<!-- <PACKAGES value=\"commented.bpi\"/> -->\n"
        "<![CDATA[ <PACKAGES value=\"cdata.bpi\"/> ]]>\n"
        "<!DOCTYPE PROJECT [ <!ENTITY e '<PACKAGES value=\"dtd.bpi\"/>'> ]>\n"
        "<PROJECT note='a > b' other=\"<PACKAGES value=&quot;x&quot;/>\">\n"
        "<PACKAGESX value=\"near.bpi\"/><packages value=\"lower.bpi\"/>\n"
        "<PACKAGES  id='p' value = 'real.bpi other.bpi' />\n"
        "<PACKAGES value=\"second.bpi\"/>\n";
    const auto span = FindXmlPackagesValue(file);
    ASSERT_TRUE(span.has_value());
    EXPECT_EQ(file.substr(span->begin, span->end - span->begin), "real.bpi other.bpi");
}

TEST(XmlPackages, NoValueIsFoundWithoutAnEditablePackagesElement) {
    EXPECT_FALSE(FindXmlPackagesValue("<?xml version='1.0'?>\r\n<PROJECT>\r\n</PROJECT>\r\n"));
    // The first element has no value: a later one is not taken instead.
    EXPECT_FALSE(FindXmlPackagesValue("<PROJECT><PACKAGES/><PACKAGES value=\"a.bpi\"/>"));
    EXPECT_FALSE(FindXmlPackagesValue("<PROJECT><PACKAGES value=\"a.bpi b.bpi"));
    EXPECT_FALSE(FindXmlPackagesValue("<PROJECT><PACKAGES value=a.bpi/>"));
    EXPECT_FALSE(FindXmlPackagesValue("<!-- <PACKAGES value=\"a.bpi\"/>"));
    EXPECT_FALSE(FindXmlPackagesValue("<PROJECT a=\"<PACKAGES value='x'/>"));
}

// The editing the registration does: the first equal entry (ignoring ASCII
// case) of each name goes, and missing names are appended.
PackageListEditor RemoveThenAdd(Names removed, Names added, Names* seen = nullptr) {
    return [=](Names& names) {
        if (seen) *seen = names;
        auto find = [&names](const std::string& name) {
            for (auto it = names.begin(); it != names.end(); ++it) {
                if (KitText::EqualsIgnoringAsciiCase(*it, name)) return it;
            }
            return names.end();
        };
        for (const std::string& name : removed) {
            const auto it = find(name);
            if (it != names.end()) names.erase(it);
        }
        for (const std::string& name : added) {
            if (find(name) == names.end()) names.push_back(name);
        }
    };
}

const std::string kHead =
    "<?xml version='1.0' encoding='utf-8' ?>\r\n"
    "<!-- C++Builder XML Project -->\r\n"
    "<PROJECT>\r\n"
    "  <MACROS>\r\n"
    "    <VERSION value=\"BCB.06.00\"/>\r\n";
const std::string kTail =
    "    <PATHCPP value=\".;\"/>\r\n"
    "  </MACROS>\r\n"
    "</PROJECT>\r\n";

TEST(XmlPackages, TheValueIsRebuiltInTheElementsOwnLayoutAndAllElseIsKept) {
    const std::string file = kHead +
                             "    <PACKAGES value=\"vcl.bpi rtl.bpi dbrtl.bpi Os252N60.bpi \r\n"
                             "      vcldbx.bpi\tibxpress.bpi\"/>\r\n" +
                             kTail;
    Names seen;
    const auto result = RewriteXmlPackages(
        file, RemoveThenAdd({"Os252N60.bpi"}, {"Os30Ctls60.bpi", "Os30DBCtls60.bpi"}, &seen));
    EXPECT_EQ(seen, (Names{"vcl.bpi", "rtl.bpi", "dbrtl.bpi", "Os252N60.bpi", "vcldbx.bpi",
                           "ibxpress.bpi"}));
    ASSERT_TRUE(result.has_value());
    // 21 characters lead up to the value; the line is wrapped after it has
    // passed 70 characters, the blank kept before the break.
    EXPECT_EQ(*result, kHead +
                           "    <PACKAGES value=\"vcl.bpi rtl.bpi dbrtl.bpi vcldbx.bpi ibxpress.bpi \r\n"
                           "      Os30Ctls60.bpi Os30DBCtls60.bpi\"/>\r\n" +
                           kTail);
}

TEST(XmlPackages, AShortValueBecomesOneLineAndARerunChangesNothing) {
    const std::string file = kHead + "    <PACKAGES value=\"vcl.bpi\r\n      rtl.bpi\"/>\r\n" + kTail;
    const auto editor = RemoveThenAdd({"Os252N60.bpi"}, {"Os30Ctls60.bpi"});
    const auto once = RewriteXmlPackages(file, editor);
    ASSERT_TRUE(once.has_value());
    EXPECT_EQ(*once, kHead + "    <PACKAGES value=\"vcl.bpi rtl.bpi Os30Ctls60.bpi\"/>\r\n" + kTail);
    EXPECT_EQ(RewriteXmlPackages(*once, editor), once);
}

TEST(XmlPackages, WrappingUsesTheFilesLineBreakAndCountsFromTheLineStart) {
    const std::string lf =
        "<?xml version='1.0'?>\n<PROJECT><MACROS><PACKAGES value=\"\"/></MACROS></PROJECT>\n";
    const auto result = RewriteXmlPackages(
        lf, RemoveThenAdd({}, {"aaaaaaaaaa.bpi", "bbbbbbbbbb.bpi", "cccccccccc.bpi",
                               "dddddddddd.bpi", "eeeeeeeeee.bpi", "ffffffffff.bpi"}));
    ASSERT_TRUE(result.has_value());
    // 34 characters lead up to the value on its line.
    EXPECT_EQ(*result,
              "<?xml version='1.0'?>\n<PROJECT><MACROS><PACKAGES value=\"aaaaaaaaaa.bpi "
              "bbbbbbbbbb.bpi cccccccccc.bpi \n"
              "      dddddddddd.bpi eeeeeeeeee.bpi ffffffffff.bpi\"/></MACROS></PROJECT>\n");

    // No line break anywhere: CR LF is used.
    const std::string oneLine = "<?xml version='1.0'?><PACKAGES value='x'/>";
    const auto wrapped = RewriteXmlPackages(
        oneLine, RemoveThenAdd({}, {std::string(40, 'y'), std::string(10, 'z')}));
    ASSERT_TRUE(wrapped.has_value());
    EXPECT_EQ(*wrapped, "<?xml version='1.0'?><PACKAGES value='x " + std::string(40, 'y') +
                            " \r\n      " + std::string(10, 'z') + "'/>");
}

TEST(XmlPackages, KeptNamesStayAsWrittenAndNewOnesAreEncoded) {
    const std::string file =
        "<?xml version='1.0'?>\r\n<PACKAGES value=\"my&amp;pkg.bpi &#x4F;s252D60.bpi "
        "&#65;.bpi os30ctls60.BPI\"/>\r\n";
    Names seen;
    const auto result = RewriteXmlPackages(
        file, RemoveThenAdd({"Os252D60.bpi"}, {"Os30Ctls60.bpi", "q&\"<r>.bpi"}, &seen));
    EXPECT_EQ(seen, (Names{"my&pkg.bpi", "Os252D60.bpi", "A.bpi", "os30ctls60.BPI"}));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result,
              "<?xml version='1.0'?>\r\n<PACKAGES value=\"my&amp;pkg.bpi &#65;.bpi os30ctls60.BPI "
              "q&amp;&quot;&lt;r&gt;.bpi\"/>\r\n");
}

TEST(XmlPackages, AFileWithoutAPackagesElementIsLeftAlone) {
    bool edited = false;
    const auto result =
        RewriteXmlPackages(kHead + kTail, [&edited](Names&) { edited = true; });
    EXPECT_FALSE(result.has_value());
    EXPECT_FALSE(edited);
}

}  // namespace
