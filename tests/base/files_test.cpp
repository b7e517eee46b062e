// Whole-file reading and writing, module paths and code-page text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"
#include "win_files.h"
#include "win_owners.h"
#include "win_text.h"

namespace {

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testfiles::FreshDir(L"wholefile");
        path_ = dir_ + L"\\file.bin";
    }
    void TearDown() override { testfiles::RemoveTree(dir_); }

    std::wstring dir_;
    std::wstring path_;
};

TEST_F(WholeFileTest, ResultsByWhatTheFileIs) {
    struct Case {
        const char* content;  // null: no file
        unsigned long long limit;
        FileReadResult result;
        const char* bytes;
    };
    const Case cases[] = {
        {nullptr, 100, FileReadResult::CannotOpen, ""},
        {"", 100, FileReadResult::Ok, ""},
        {"twelve bytes", 12, FileReadResult::Ok, "twelve bytes"},
        {"twelve bytes", 11, FileReadResult::TooLarge, ""},
    };
    for (const Case& c : cases) {
        DeleteFileW(path_.c_str());
        if (c.content) {
            ASSERT_TRUE(testfiles::WriteAll(path_, c.content));
        }
        std::string bytes = "old";
        EXPECT_EQ(ReadWholeFile(path_, bytes, c.limit), c.result) << (c.content ? c.content : "(none)");
        EXPECT_EQ(bytes, c.bytes);
    }
}

TEST_F(WholeFileTest, AFileAnotherProgramWritesCanBeRead) {
    CScopedHandle writer(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(writer.IsValid());
    ASSERT_TRUE(WriteAllBytes(writer.Get(), "abc", 3));
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path_, bytes));
    EXPECT_EQ(bytes, "abc");
}

TEST_F(WholeFileTest, WritingAFileThatCannotBeMadeFails) {
    EXPECT_TRUE(WriteWholeFile(path_, std::string("a\0b", 3)));
    EXPECT_EQ(testfiles::ReadAll(path_), std::string("a\0b", 3));
    EXPECT_FALSE(WriteWholeFile(dir_ + L"\\missing\\file", "x"));
    EXPECT_FALSE(WriteWholeFile(dir_, "x"));  // a folder
}

TEST(ModulePath, NamesTheProgramAndItsModules) {
    const std::wstring program = ModuleFilePath();
    ASSERT_GT(program.size(), 4u);
    EXPECT_EQ(_wcsicmp(program.substr(program.size() - 4).c_str(), L".exe"), 0);
    const std::wstring kernel = ModuleFilePath(GetModuleHandleW(L"kernel32.dll"));
    EXPECT_NE(kernel.find(L"\\"), std::wstring::npos);
}

TEST(CodePageText, StrictUtf8RefusesBrokenBytes) {
    std::wstring text = L"old";
    EXPECT_TRUE(Utf8ToWide("", text));
    EXPECT_EQ(text, L"");
    EXPECT_TRUE(Utf8ToWide("A\xE4\xB8\xAD", text));
    EXPECT_EQ(text, L"A\x4E2D");
    EXPECT_FALSE(Utf8ToWide("A\xE4\xB8", text));  // a character cut short
    EXPECT_EQ(text, L"");
    EXPECT_EQ(WideToUtf8(L"A\x4E2D"), "A\xE4\xB8\xAD");
    EXPECT_EQ(AnsiToWide(WideToAnsi(L"plain")), L"plain");
}

}  // namespace
