#include "loopback_http_server.h"
#include "temp_folder.h"
#include "platform/win32_platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::string ReadAll(InputFile& file)
{
    std::string content;
    char buffer[7];
    for (size_t read; (read = file.Read(buffer, sizeof buffer)) > 0;) {
        content.append(buffer, read);
    }
    return content;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    TempFolder folder{L"platform"};
    Win32Platform platform;

    std::wstring PathOf(const std::wstring& name) const { return folder.Path() + L"\\" + name; }
};

} // namespace

TEST_F(Win32PlatformTest, EnvironmentVariablesAreCopiedOnlyWhenTheyFit)
{
    ASSERT_TRUE(SetEnvironmentVariableW(L"QMCU_TEST_VALUE", L"abc"));
    wchar_t buffer[8] = L"zzzzzzz";
    EXPECT_EQ(platform.GetEnvironmentVariableW(L"QMCU_TEST_VALUE", buffer, 3), 4u);
    EXPECT_STREQ(buffer, L"zzzzzzz");
    EXPECT_EQ(platform.GetEnvironmentVariableW(L"QMCU_TEST_VALUE", buffer, 4), 3u);
    EXPECT_STREQ(buffer, L"abc");
    EXPECT_EQ(platform.GetEnvironmentVariableW(L"QMCU_TEST_UNSET", buffer, 8), 0u);
}

TEST_F(Win32PlatformTest, FileAttributesTellFoldersFromFilesAndAbsence)
{
    WriteFileBytes(PathOf(L"file"), "x");
    EXPECT_NE(platform.GetFileAttributesW(folder.Path().c_str()) & win32::FileAttributeDirectory, 0u);
    EXPECT_EQ(platform.GetFileAttributesW(PathOf(L"file").c_str()) & win32::FileAttributeDirectory, 0u);
    EXPECT_EQ(platform.GetFileAttributesW(PathOf(L"absent").c_str()), win32::InvalidFileAttributes);
}

TEST_F(Win32PlatformTest, FilesAreReadAsBytesWithoutTextModeTranslation)
{
    const std::string bytes("one\r\ntwo\x1A three\r\n\0end", 21);
    WriteFileBytes(PathOf(L"bytes.xml"), bytes);
    const auto file = platform.OpenForReading(PathOf(L"bytes.xml").c_str());
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadAll(*file), bytes);
    EXPECT_FALSE(platform.OpenForReading(PathOf(L"absent.xml").c_str()));
    EXPECT_FALSE(platform.OpenForReading(folder.Path().c_str()));
    EXPECT_FALSE(platform.OpenForReading(L""));
}

TEST_F(Win32PlatformTest, OpeningRespectsOtherProgramsSharingAndLetsWritersIn)
{
    const std::wstring path = PathOf(L"held.xml");
    WriteFileBytes(path, "content");
    {
        const UniqueHandle exclusive = HoldFile(path, 0);
        ASSERT_TRUE(exclusive.IsValid());
        EXPECT_FALSE(platform.OpenForReading(path.c_str()));
    }
    {
        const UniqueHandle writer = HoldFile(path, FILE_SHARE_READ);
        ASSERT_TRUE(writer.IsValid());
        EXPECT_TRUE(platform.OpenForReading(path.c_str()));
    }
    const auto reading = platform.OpenForReading(path.c_str());
    ASSERT_TRUE(reading);
    EXPECT_TRUE(HoldFile(path, FILE_SHARE_READ | FILE_SHARE_WRITE).IsValid());
}

TEST_F(Win32PlatformTest, CopyOverwritesUnlessTheTargetIsHeld)
{
    const std::wstring source = PathOf(L"source.xml");
    const std::wstring target = PathOf(L"target.xml");
    WriteFileBytes(source, "new");
    WriteFileBytes(target, "old and longer");
    EXPECT_TRUE(platform.CopyFileW(source.c_str(), target.c_str(), false));
    EXPECT_EQ(ReadFileBytes(target), "new");

    WriteFileBytes(source, "newer");
    const UniqueHandle holder = HoldFile(target, FILE_SHARE_READ);
    EXPECT_FALSE(platform.CopyFileW(source.c_str(), target.c_str(), false));
    EXPECT_EQ(ReadFileBytes(target), "new");
}

TEST_F(Win32PlatformTest, RemoveDeletesByWidePathAndFailsOnAHeldFile)
{
    const std::wstring outsideCodePage = PathOf(L"\x0394\x03B5\x03BB\x03C4\x03AF\x03BF-\x65E5\x672C.xml");
    WriteFileBytes(outsideCodePage, "x");
    EXPECT_EQ(platform.RemoveW(outsideCodePage.c_str()), 0);
    EXPECT_FALSE(FileExists(outsideCodePage));

    const std::wstring held = PathOf(L"held.xml");
    WriteFileBytes(held, "x");
    const UniqueHandle holder = HoldFile(held, FILE_SHARE_READ);
    EXPECT_NE(platform.RemoveW(held.c_str()), 0);
    EXPECT_TRUE(FileExists(held));
    EXPECT_NE(platform.RemoveW(PathOf(L"absent.xml").c_str()), 0);
}

TEST_F(Win32PlatformTest, ConvertsASignatureFromTheThreadCodePage)
{
    wchar_t wide[20] = L"";
    EXPECT_EQ(platform.MultiByteToWideChar(win32::CpThreadAcp, 0, "QM Build 09-18-2021", 20, wide, 20), 20);
    EXPECT_STREQ(wide, L"QM Build 09-18-2021");
}

TEST_F(Win32PlatformTest, ProbesAndDownloadsFromALoopbackServer)
{
    const std::wstring target = PathOf(L"download.xml");
    WriteFileBytes(target, "earlier copy");
    std::wstring site;
    {
        LoopbackHttpServer server;
        server.Serve("/file.xml", {.body = "<x>QM Build 09-18-2021</x>\r\n"});
        site = L"http://127.0.0.1:" + std::to_wstring(server.Port());
        EXPECT_TRUE(platform.InternetCheckConnectionW(site.c_str(), win32::FlagIccForceConnection, 0));
        EXPECT_EQ(platform.URLDownloadToFileW(nullptr, (site + L"/file.xml").c_str(), target.c_str(), 0, nullptr), 0);
        EXPECT_EQ(ReadFileBytes(target), "<x>QM Build 09-18-2021</x>\r\n");
    }
    // The server is gone: its port is closed now.
    EXPECT_FALSE(platform.InternetCheckConnectionW(site.c_str(), win32::FlagIccForceConnection, 0));
    EXPECT_LT(platform.URLDownloadToFileW(nullptr, (site + L"/file.xml").c_str(), target.c_str(), 0, nullptr), 0);
    EXPECT_EQ(ReadFileBytes(target), "<x>QM Build 09-18-2021</x>\r\n");
}
