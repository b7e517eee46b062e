// The markup reader: the subset it accepts, the tree it builds, its errors and their locations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "builder_test_util.h"
#include "test_files.h"

using namespace UIToolkit;
using buildertest::DumpTree;

namespace {

struct ParseCase {
    const char* what;
    const wchar_t* text;
    const wchar_t* tree;   // expected DumpTree, or null when the load fails
    const wchar_t* error;  // expected message when it fails
    const wchar_t* location;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, BuildsTheTreeOrReportsTheError) {
    const ParseCase& c = GetParam();
    CLayoutXml doc;
    const bool loaded = doc.Load(c.text);
    if (c.tree != nullptr) {
        ASSERT_TRUE(loaded) << testfiles::Narrow(doc.GetLastErrorMessage());
        EXPECT_EQ(std::wstring(c.tree), DumpTree(doc));
        EXPECT_STREQ(L"", doc.GetLastErrorMessage());
    } else {
        EXPECT_FALSE(loaded);
        EXPECT_STREQ(c.error, doc.GetLastErrorMessage());
        EXPECT_STREQ(c.location, doc.GetLastErrorLocation());
        EXPECT_FALSE(doc.GetRoot().IsValid());
        EXPECT_FALSE(doc.IsLoaded());
    }
}

const ParseCase kAccepted[] = {
    {"entity amp in a value", L"<Window><Label text=\"a&amp;b\"/></Window>", L"Window[Label(text=a&b)]", nullptr, nullptr},
    {"all five entities", L"<W v=\"&lt;&gt;&quot;&apos;&amp;\"/>", L"W(v=<>\"'&)", nullptr, nullptr},
    {"unknown and numeric entities stay", L"<W v=\"a&nbsp;b&#65;&\"/>", L"W(v=a&nbsp;b&#65;&)", nullptr, nullptr},
    {"entity next to entity", L"<W v=\"&amp;&amp;x\"/>", L"W(v=&&x)", nullptr, nullptr},
    {"entities in content are decoded without harm", L"<W>a&amp;b&lt;<A/></W>", L"W[A]", nullptr, nullptr},
    {"empty element without blank", L"<W><A/><B/></W>", L"W[A B]", nullptr, nullptr},
    {"empty element with blank", L"<W><A /><B\t/></W>", L"W[A B]", nullptr, nullptr},
    {"attributes without blank between", L"<W a=\"1\"b=\"2\"/>", L"W(a=1,b=2)", nullptr, nullptr},
    {"blanks around = and in values kept", L"<W a = \"x y\" b=\" \"/>", L"W(a=x y,b= )", nullptr, nullptr},
    {"empty value", L"<W a=\"\" b=\"2\"/>", L"W(a=,b=2)", nullptr, nullptr},
    {"value holding < and >", L"<W a=\"<b>\"/>", L"W(a=<b>)", nullptr, nullptr},
    {"line breaks in a value", L"<W a=\"1\r\n2\"/>", L"W(a=1\r\n2)", nullptr, nullptr},
    {"names with _ : and digits", L"<my:W_1 x_2:y=\"v\"/>", L"my:W_1(x_2:y=v)", nullptr, nullptr},
    {"declaration and comments skipped", L"<?xml version=\"1.0\"?>\n<!-- c --><W><!--x--><A/><!-- y --></W><!--z-->",
     L"W[A]", nullptr, nullptr},
    {"nesting and siblings", L"<W><A><B/><C x=\"1\"></C></A><D/></W>", L"W[A[B C(x=1)] D]", nullptr, nullptr},
    {"closing tag with blanks", L"<W><A></ A ></W >", L"W[A]", nullptr, nullptr},
    {"root left open", L"<W><A/>", L"W[A]", nullptr, nullptr},
    {"childless child of the root left open in its content", L"<W><A x=\"1\">text", L"W[A(x=1)]", nullptr, nullptr},
    {"root left open in its content", L"<W>text", L"W", nullptr, nullptr},
    {"further top-level elements are siblings of the root", L"<A/><B x=\"2\"/>", L"A B(x=2)", nullptr, nullptr},
    {"empty text", L"", L"-", nullptr, nullptr},
    {"blanks only", L" \r\n\t ", L"-", nullptr, nullptr},
    {"one comment", L"<!-- nothing -->", L"-", nullptr, nullptr},
    {"unterminated comment swallows the rest", L"<W/><!-- open", L"W", nullptr, nullptr},
    {"empty element name", L"<W><></></W>", L"W[]", nullptr, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Accepted, ParseTable, ::testing::ValuesIn(kAccepted));

const ParseCase kRejected[] = {
    {"single-quoted value", L"<Window><Label text='x'/></Window>", nullptr, L"Expected attribute value",
     L"'x'/></Window>"},
    {"unquoted value", L"<W a=1/>", nullptr, L"Expected attribute value", L"1/>"},
    {"hyphen in attribute name", L"<W data-x=\"1\"/>", nullptr, L"Error while parsing attributes",
     L"-x=\"1\"/>"},
    {"attribute without value", L"<W a b=\"1\"/>", nullptr, L"Error while parsing attributes", L"b=\"1\"/>"},
    {"text ends inside a value", L"<W a=\"abc", nullptr, L"Error while parsing attribute string", L""},
    {"text ends inside an entity of a value", L"<W a=\"&am", nullptr, L"Error while parsing attribute string",
     L""},
    {"text ends inside a name", L"<Window", nullptr, L"Error parsing element name", L""},
    {"text ends after <", L"<W><", nullptr, L"Error parsing element name", L""},
    {"text ends inside a start tag", L"<W a=\"1\"", nullptr, L"Expected start-tag closing", L""},
    {"slash not followed by >", L"<W/ >", nullptr, L"Expected start-tag closing", L"/ >"},
    {"text before the root", L"x<W/>", nullptr, L"Expected start tag", L"x<W/>"},
    {"text after a child", L"<W><A/>tail</W>", nullptr, L"Expected start tag", L"tail</W>"},
    {"end after a child of a nested element", L"<W><A><B/>", nullptr, L"Expected start tag", L""},
    {"end inside the content of a grandchild", L"<W><A><B>text", nullptr, L"Expected end-tag start", L""},
    {"end tag of another element", L"<W><A></B></W>", nullptr, L"Unmatched closing tag", L"B></W>"},
    {"end tag with a longer name", L"<W><A></AB></W>", nullptr, L"Unmatched closing tag", L"B></W>"},
    {"end tag without >", L"<W></W", nullptr, L"Unmatched closing tag", L""},
    {"comment ends at its first ->", L"<W><!-- a -> b --><A/></W>", nullptr, L"Expected start tag",
     L"b --><A/></W>"},
    {"location cut to 49 characters", L"<W>x<A/>0123456789012345678901234567890123456789012345678901234567890</W>",
     nullptr, L"Expected start tag", L"0123456789012345678901234567890123456789012345678"},
};
INSTANTIATE_TEST_SUITE_P(Rejected, ParseTable, ::testing::ValuesIn(kRejected));

std::wstring Nested(int depth) {
    std::wstring text;
    for (int i = 0; i < depth; ++i) text += L"<E>";
    for (int i = 0; i < depth; ++i) text += L"</E>";
    return text;
}

TEST(LayoutXmlNesting, AcceptsTheDepthLimitAndRefusesDeeperWithoutExhaustingTheStack) {
    CLayoutXml doc;
    ASSERT_TRUE(doc.Load(Nested(CLayoutXml::MAX_DEPTH).c_str()));
    int depth = 0;
    for (CLayoutXmlNode node = doc.GetRoot(); node.IsValid(); node = node.GetChild()) ++depth;
    EXPECT_EQ(CLayoutXml::MAX_DEPTH, depth);

    EXPECT_FALSE(doc.Load(Nested(CLayoutXml::MAX_DEPTH + 1).c_str()));
    EXPECT_STREQ(L"Elements nested too deeply", doc.GetLastErrorMessage());
    // Far deeper than any stack would take with one frame per level.
    EXPECT_FALSE(doc.Load(Nested(200000).c_str()));
    EXPECT_STREQ(L"Elements nested too deeply", doc.GetLastErrorMessage());
}

TEST(LayoutXmlLongInput, ManyElementsGrowTheTableAndLongValuesStayWhole) {
    const int count = 100000;  // the table grows many times (500, 1250, 2375, ...)
    const std::wstring longValue(300000, L'v');
    std::wstring text;
    text.reserve(static_cast<size_t>(count) * 16 + longValue.size() + 32);
    text += L"<W>";
    for (int i = 0; i < count; ++i) {
        text += L"<A i=\"";
        text += std::to_wstring(i);
        text += L"\"/>";
    }
    text += L"<B v=\"";
    text += longValue;
    text += L"&amp;\"/></W>";
    CLayoutXml doc(text.c_str());
    ASSERT_TRUE(doc.IsLoaded()) << testfiles::Narrow(doc.GetLastErrorMessage());
    int seen = 0;
    CLayoutXmlNode node = doc.GetRoot().GetChild();
    for (; node.IsValid(); node = node.GetSibling()) {
        if (seen < count) {
            ASSERT_STREQ(std::to_wstring(seen).c_str(), node.GetAttributeValue(0)) << seen;
            ++seen;
            continue;
        }
        EXPECT_STREQ(L"B", node.GetName());
        EXPECT_EQ(longValue + L"&", std::wstring(node.GetAttributeValue(0)));
        ++seen;
    }
    EXPECT_EQ(count + 1, seen);
}

TEST(LayoutXmlNode, ExposesTheFirst64Attributes) {
    std::wstring text = L"<W";
    for (int i = 0; i < 70; ++i) text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    text += L"/>";
    CLayoutXml doc(text.c_str());
    CLayoutXmlNode root = doc.GetRoot();
    ASSERT_EQ(64, root.GetAttributeCount());
    EXPECT_STREQ(L"a63", root.GetAttributeName(63));
    EXPECT_STREQ(L"63", root.GetAttributeValue(63));
    wchar_t buffer[8] = {};
    EXPECT_FALSE(root.CopyAttributeValue(L"a64", buffer, 7));
}

TEST(LayoutXmlNode, InvalidNodesAndIndexesOutOfRange) {
    CLayoutXmlNode invalid;
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_FALSE(invalid.GetSibling().IsValid());
    EXPECT_FALSE(invalid.GetChild().IsValid());
    EXPECT_FALSE(invalid.HasChildren());
    EXPECT_EQ(nullptr, invalid.GetName());
    EXPECT_EQ(0, invalid.GetAttributeCount());
    EXPECT_FALSE(invalid.HasAttributes());
    EXPECT_EQ(nullptr, invalid.GetAttributeName(0));
    EXPECT_EQ(nullptr, invalid.GetAttributeValue(0));
    wchar_t buffer[4] = {};
    EXPECT_FALSE(invalid.CopyAttributeValue(L"a", buffer, 3));

    CLayoutXml doc(L"<W a=\"1\"><A/></W>");
    CLayoutXmlNode root = doc.GetRoot();
    EXPECT_STREQ(L"", root.GetAttributeName(1));
    EXPECT_STREQ(L"", root.GetAttributeValue(-1));
    CLayoutXmlNode child = root.GetChild();
    EXPECT_FALSE(child.HasAttributes());
    EXPECT_STREQ(L"", child.GetAttributeValue(0));
    EXPECT_FALSE(child.HasChildren());
    EXPECT_FALSE(child.GetSibling().IsValid());
    EXPECT_FALSE(root.GetSibling().IsValid());
}

TEST(LayoutXmlNode, CopyAttributeValueMatchesExactlyAndPadsWithNuls) {
    CLayoutXml doc(L"<W Name=\"upper\" name=\"lower\" name=\"again\" long=\"abcdef\"/>");
    CLayoutXmlNode root = doc.GetRoot();
    wchar_t buffer[8];
    wmemset(buffer, L'#', 8);
    ASSERT_TRUE(root.CopyAttributeValue(L"name", buffer, 7));
    EXPECT_STREQ(L"lower", buffer);   // the first of that exact name
    EXPECT_EQ(L'\0', buffer[6]);      // the rest of the size is NULs
    EXPECT_EQ(L'#', buffer[7]);       // nothing beyond the size

    wchar_t exact[5];
    wmemset(exact, L'#', 5);
    ASSERT_TRUE(root.CopyAttributeValue(L"long", exact, 4));
    EXPECT_EQ(std::wstring(L"abcd#"), std::wstring(exact, 5));  // not terminated, nothing past
    EXPECT_FALSE(root.CopyAttributeValue(L"NAME", buffer, 7));
}

TEST(LayoutXmlDocument, EveryLoadReplacesAndEveryFailureEmpties) {
    CLayoutXml doc;
    EXPECT_FALSE(doc.GetRoot().IsValid());
    ASSERT_TRUE(doc.Load(L"<A x=\"1\"/>"));
    ASSERT_TRUE(doc.Load(L"<B/>"));
    EXPECT_EQ(L"B", DumpTree(doc));
    EXPECT_FALSE(doc.Load(L"<B></C>"));
    EXPECT_FALSE(doc.GetRoot().IsValid());
    EXPECT_FALSE(doc.Load(nullptr));
    ASSERT_TRUE(doc.Load(L"<C/>"));
    doc.Release();
    EXPECT_FALSE(doc.GetRoot().IsValid());
    EXPECT_FALSE(doc.IsLoaded());

    // Nodes copied by value keep their mapped attributes.
    ASSERT_TRUE(doc.Load(L"<D k=\"v\"/>"));
    CLayoutXmlNode first = doc.GetRoot();
    EXPECT_EQ(1, first.GetAttributeCount());
    CLayoutXmlNode copy = first;
    EXPECT_STREQ(L"v", copy.GetAttributeValue(0));
}

TEST(LayoutXmlDocument, SetErrorCutsMessageAndLocation) {
    CLayoutXml doc;
    const std::wstring longText(300, L'm');
    EXPECT_FALSE(doc.SetError(longText.c_str(), longText.c_str()));
    EXPECT_EQ(std::wstring(99, L'm'), doc.GetLastErrorMessage());
    EXPECT_EQ(std::wstring(49, L'm'), doc.GetLastErrorLocation());
    EXPECT_FALSE(doc.SetError(L"x", nullptr));
    EXPECT_STREQ(L"", doc.GetLastErrorLocation());
}

}  // namespace
