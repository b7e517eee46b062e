// The markup reader's sources: bytes in the three encodings, files of the resource folder and
// entries of the resource archive, with their failure messages.
#include <gtest/gtest.h>

#include <string>

#include "builder_test_util.h"
#include "test_files.h"

using namespace UIToolkit;
using buildertest::DumpTree;
using buildertest::Utf16Bytes;

namespace {

const wchar_t kLayout[] = L"<Window size=\"1,2\"><Label text=\"\x4E2D\x6587 a&amp;b\"/></Window>";
const wchar_t kLayoutTree[] = L"Window(size=1,2)[Label(text=\x4E2D\x6587 a&b)]";

bool LoadBytes(CLayoutXml& doc, const std::string& bytes, LayoutEncoding encoding) {
    return doc.LoadFromMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                              encoding);
}

struct EncodingCase {
    const char* what;
    std::string bytes;
    LayoutEncoding encoding;
    bool loads;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.what; }

class EncodingTable : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTable, GivesTheSameTreeOrFails) {
    const EncodingCase& c = GetParam();
    CLayoutXml doc;
    if (c.loads) {
        ASSERT_TRUE(LoadBytes(doc, c.bytes, c.encoding)) << testfiles::Narrow(doc.GetLastErrorMessage());
        EXPECT_EQ(std::wstring(kLayoutTree), DumpTree(doc));
    } else {
        EXPECT_FALSE(LoadBytes(doc, c.bytes, c.encoding));
        EXPECT_FALSE(doc.IsLoaded());
    }
}

const std::string kUtf8 = testfiles::Narrow(kLayout);

INSTANTIATE_TEST_SUITE_P(
    Encodings, EncodingTable,
    ::testing::Values(EncodingCase{"UTF-8", kUtf8, LAYOUT_ENCODING_UTF8, true},
                      EncodingCase{"UTF-8 with mark", "\xEF\xBB\xBF" + kUtf8, LAYOUT_ENCODING_UTF8, true},
                      EncodingCase{"UTF-16 little-endian", Utf16Bytes(kLayout, false, true), LAYOUT_ENCODING_UTF16,
                                   true},
                      EncodingCase{"UTF-16 big-endian", Utf16Bytes(kLayout, true, true), LAYOUT_ENCODING_UTF16, true},
                      EncodingCase{"UTF-16 with an odd trailing byte", Utf16Bytes(kLayout, false, true) + "x",
                                   LAYOUT_ENCODING_UTF16, true},
                      EncodingCase{"UTF-16 without mark", Utf16Bytes(kLayout, false, false), LAYOUT_ENCODING_UTF16,
                                   false},
                      EncodingCase{"UTF-16 of one byte", "\xFF", LAYOUT_ENCODING_UTF16, false},
                      EncodingCase{"ANSI does not skip a UTF-8 mark", "\xEF\xBB\xBF" + kUtf8, LAYOUT_ENCODING_ANSI,
                                   false},
                      EncodingCase{"unknown encoding", kUtf8, static_cast<LayoutEncoding>(7), false}));

TEST(LayoutXmlMemory, MarkOnlyAndEmptyBytesLoadAnEmptyDocument) {
    CLayoutXml doc;
    EXPECT_TRUE(LoadBytes(doc, "", LAYOUT_ENCODING_UTF8));
    EXPECT_FALSE(doc.GetRoot().IsValid());
    EXPECT_TRUE(LoadBytes(doc, "\xEF\xBB\xBF", LAYOUT_ENCODING_UTF8));
    EXPECT_FALSE(doc.GetRoot().IsValid());
    EXPECT_TRUE(LoadBytes(doc, "\xFF\xFE", LAYOUT_ENCODING_UTF16));
    EXPECT_FALSE(doc.GetRoot().IsValid());
}

TEST(LayoutXmlMemory, AnsiBytesUseTheSystemCodePage) {
    CLayoutXml doc;
    ASSERT_TRUE(LoadBytes(doc, "<W a=\"plain\"/>", LAYOUT_ENCODING_ANSI));
    EXPECT_EQ(L"W(a=plain)", DumpTree(doc));
    // The system code page decides what high bytes are (two characters in 1252, one in 936):
    // the value is what the platform converter makes of them.
    wchar_t expected[3] = {};
    ASSERT_GT(::MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0", 2, expected, 2), 0);
    ASSERT_TRUE(LoadBytes(doc, "<W a=\"\xD6\xD0\"/>", LAYOUT_ENCODING_ANSI))
        << testfiles::Narrow(doc.GetLastErrorMessage());
    EXPECT_STREQ(expected, doc.GetRoot().GetAttributeValue(0));
}

TEST(LayoutXmlMemory, MalformedUtf8BecomesReplacementCharacters) {
    CLayoutXml doc;
    ASSERT_TRUE(LoadBytes(doc, "<W a=\"\xC3(\"/>", LAYOUT_ENCODING_UTF8));
    EXPECT_EQ(L"W(a=\xFFFD()", DumpTree(doc));
}

TEST(LayoutXmlMemory, BytesCutInsideTheTextFailLikeTheText) {
    const std::string bytes = testfiles::Narrow(L"<W a=\"1\"><B/></W>");
    CLayoutXml doc;
    // The loader reads exactly the given count, never up to a terminator past it.
    EXPECT_FALSE(LoadBytes(doc, bytes.substr(0, 8), LAYOUT_ENCODING_UTF8));
    EXPECT_STREQ(L"Expected start-tag closing", doc.GetLastErrorMessage());
}

// ---------------------------------------------------------------------------------------------
// Files of the resource folder

class LayoutXmlFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testfiles::FreshDir(L"layoutxml");
        settings.UseFolder(folder);
    }
    void Write(const wchar_t* name, const std::string& bytes) {
        ASSERT_TRUE(testfiles::WriteAll(folder + L"\\" + name, bytes));
    }
    static std::string Padded(size_t size) {
        const std::string head = "<Window>", tail = "</Window>";
        return head + std::string(size - head.size() - tail.size(), ' ') + tail;
    }

    buildertest::ResourceSettingsGuard settings;
    std::wstring folder;
    CLayoutXml doc;
};

TEST_F(LayoutXmlFileTest, LoadsAFileInEachEncoding) {
    Write(L"utf8.xml", "\xEF\xBB\xBF" + kUtf8);
    Write(L"utf16.xml", Utf16Bytes(kLayout, true, true));
    ASSERT_TRUE(doc.LoadFromFile(L"utf8.xml"));
    EXPECT_EQ(std::wstring(kLayoutTree), DumpTree(doc));
    ASSERT_TRUE(doc.LoadFromFile(L"utf16.xml", LAYOUT_ENCODING_UTF16));
    EXPECT_EQ(std::wstring(kLayoutTree), DumpTree(doc));
}

TEST_F(LayoutXmlFileTest, FileFailuresHaveTheirMessagesAndNoLocation) {
    Write(L"empty.xml", "");
    Write(L"broken.xml", "<Window></Wind>");
    Write(L"loaded.xml", "<W/>");
    struct {
        const wchar_t* name;
        const wchar_t* message;
        const wchar_t* location;
    } const cases[] = {
        {L"missing.xml", L"Error opening file", L""},
        {L"empty.xml", L"File is empty", L""},
        {L"broken.xml", L"Unmatched closing tag", L"Wind>"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(doc.LoadFromFile(L"loaded.xml"));
        EXPECT_FALSE(doc.LoadFromFile(c.name));
        EXPECT_STREQ(c.message, doc.GetLastErrorMessage()) << testfiles::Narrow(c.name);
        EXPECT_STREQ(c.location, doc.GetLastErrorLocation()) << testfiles::Narrow(c.name);
        EXPECT_FALSE(doc.IsLoaded());
    }
}

TEST_F(LayoutXmlFileTest, FourMebibytesLoadAndOneByteMoreIsTooLarge) {
    Write(L"exact.xml", Padded(CLayoutXml::MAX_FILE_SIZE));
    Write(L"big.xml", Padded(CLayoutXml::MAX_FILE_SIZE + 1));
    EXPECT_TRUE(doc.LoadFromFile(L"exact.xml")) << testfiles::Narrow(doc.GetLastErrorMessage());
    EXPECT_EQ(L"Window", DumpTree(doc));
    EXPECT_FALSE(doc.LoadFromFile(L"big.xml"));
    EXPECT_STREQ(L"File too large", doc.GetLastErrorMessage());
}

TEST_F(LayoutXmlFileTest, TheFileIsClosedAfterLoading) {
    Write(L"closed.xml", "<W/>");
    ASSERT_TRUE(doc.LoadFromFile(L"closed.xml"));
    Write(L"broken.xml", "<W></X>");
    ASSERT_FALSE(doc.LoadFromFile(L"broken.xml"));
    // Neither the loaded nor the failed file is held open.
    EXPECT_TRUE(::DeleteFileW((folder + L"\\closed.xml").c_str()));
    EXPECT_TRUE(::DeleteFileW((folder + L"\\broken.xml").c_str()));
}

// ---------------------------------------------------------------------------------------------
// Entries of the resource archive

class LayoutXmlZipTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_FALSE(buildertest::FixtureFolder().empty());
        settings.UseArchive(buildertest::FixtureFolder(), L"skin.zip", GetParam());
    }
    buildertest::ResourceSettingsGuard settings;
    CLayoutXml doc;
};

TEST_P(LayoutXmlZipTest, LoadsEntriesByNameIgnoringCaseAgainAndAgain) {
    for (int round = 0; round < 3; ++round) {
        // The same entry twice in a row, then another one.
        for (int again = 0; again < 2; ++again) {
            ASSERT_TRUE(doc.LoadFromFile(L"layout.xml")) << testfiles::Narrow(doc.GetLastErrorMessage());
            EXPECT_EQ(L"Window(size=300,200)[VerticalLayout(name=zroot)[Label(name=zlabel,text=from zip)]]",
                      DumpTree(doc));
        }
        ASSERT_TRUE(doc.LoadFromFile(L"mixed.xml")) << testfiles::Narrow(doc.GetLastErrorMessage());
        EXPECT_EQ(L"Window[Label(name=mixed)]", DumpTree(doc));
    }
    ASSERT_TRUE(doc.LoadFromFile(L"utf16.xml", LAYOUT_ENCODING_UTF16));
    EXPECT_EQ(L"Window[Label(text=\x4E2D\x6587)]", DumpTree(doc));
    ASSERT_TRUE(doc.LoadFromFile(L"exact.xml"));
}

TEST_P(LayoutXmlZipTest, EntryFailuresHaveTheirMessages) {
    struct {
        const wchar_t* name;
        const wchar_t* message;
    } const cases[] = {
        {L"nothere.xml", L"Could not find ziped file"},
        {L"empty.xml", L"File is empty"},
        {L"big.xml", L"File too large"},
        {L"bad.xml", L"Could not unzip file"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(doc.LoadFromFile(c.name));
        EXPECT_STREQ(c.message, doc.GetLastErrorMessage()) << testfiles::Narrow(c.name);
        EXPECT_STREQ(L"", doc.GetLastErrorLocation());
        EXPECT_FALSE(doc.IsLoaded());
        // A failed entry leaves the archive usable.
        EXPECT_TRUE(doc.LoadFromFile(L"layout.xml"));
    }
}

INSTANTIATE_TEST_SUITE_P(OpenedEachTimeOrKeptOpen, LayoutXmlZipTest, ::testing::Bool());

TEST(LayoutXmlZip, AMissingArchiveFails) {
    buildertest::ResourceSettingsGuard settings;
    settings.UseArchive(buildertest::FixtureFolder(), L"missing.zip", false);
    CLayoutXml doc;
    EXPECT_FALSE(doc.LoadFromFile(L"layout.xml"));
    EXPECT_STREQ(L"Error opening zip file", doc.GetLastErrorMessage());
}

}  // namespace
