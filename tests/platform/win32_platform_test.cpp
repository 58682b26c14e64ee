#include "loopback_http_server.h"
#include "temp_folder.h"
#include "platform/win32_platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <span>
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

struct DelayedClose {
    HANDLE handle;
    DWORD ms;
};

DWORD WINAPI CloseAfterDelay(void* parameter)
{
    const auto* close = static_cast<DelayedClose*>(parameter);
    Sleep(close->ms);
    CloseHandle(close->handle);
    delete close;
    return 0;
}

// Closes `handle` after `ms` on a thread of its own, which the result is.
UniqueHandle CloseLater(HANDLE handle, DWORD ms)
{
    return UniqueHandle(CreateThread(nullptr, 0, CloseAfterDelay, new DelayedClose{handle, ms}, 0, nullptr));
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
    EXPECT_FALSE(platform.ReadVariable(L"QMCU_TEST_VALUE", std::span(buffer, 3)));
    EXPECT_STREQ(buffer, L"");
    EXPECT_TRUE(platform.ReadVariable(L"QMCU_TEST_VALUE", std::span(buffer, 4)));
    EXPECT_STREQ(buffer, L"abc");
    EXPECT_TRUE(platform.ReadVariable(L"QMCU_TEST_UNSET", buffer));
    EXPECT_STREQ(buffer, L"");
}

TEST_F(Win32PlatformTest, OnlyAnExistingFolderIsAFolderAndAnythingThereExists)
{
    WriteFileBytes(PathOf(L"file"), "x");
    EXPECT_TRUE(platform.IsFolder(folder.Path().c_str()));
    EXPECT_FALSE(platform.IsFolder(PathOf(L"file").c_str()));
    EXPECT_FALSE(platform.IsFolder(PathOf(L"absent").c_str()));
    EXPECT_TRUE(platform.Exists(folder.Path().c_str()));
    EXPECT_TRUE(platform.Exists(PathOf(L"file").c_str()));
    EXPECT_FALSE(platform.Exists(PathOf(L"absent").c_str()));
    EXPECT_FALSE(platform.Exists(PathOf(L"absent\\file").c_str()));
    // Held open with delete sharing, a deleted file stays until it is closed.
    const UniqueHandle holder = HoldFile(PathOf(L"file"), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    EXPECT_TRUE(platform.Remove(PathOf(L"file").c_str()));
    EXPECT_TRUE(platform.Exists(PathOf(L"file").c_str()));
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

TEST_F(Win32PlatformTest, ReplaceKeepsTheBackupOrChangesNothing)
{
    constexpr DWORD Shared = FILE_SHARE_READ | FILE_SHARE_WRITE;
    struct Case {
        const char* name;
        const wchar_t* held; // by another program, or null
        DWORD share;
        DWORD heldForMs; // 0: throughout
        bool replaced;
    };
    const Case cases[] = {
        {"nothing held", nullptr, 0, 0, true},
        {"the installed file, without delete sharing", L"target.xml", Shared, 0, false},
        {"the backup, without delete sharing", L"target.xml.bak", Shared, 0, false},
        {"the new file, by a reader for a moment", L"new.xml", FILE_SHARE_READ, 300, true},
        {"the new file, by a reader throughout", L"new.xml", FILE_SHARE_READ, 0, false},
    };
    const std::wstring target = PathOf(L"target.xml");
    const std::wstring replacement = PathOf(L"new.xml");
    const std::wstring backup = PathOf(L"target.xml.bak");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(target, "old and longer");
        WriteFileBytes(replacement, "new");
        WriteFileBytes(backup, "earlier backup");
        UniqueHandle holder = c.held != nullptr ? HoldFile(PathOf(c.held), c.share) : UniqueHandle();
        const UniqueHandle closer = c.heldForMs != 0 ? CloseLater(holder.Release(), c.heldForMs) : UniqueHandle();
        EXPECT_EQ(platform.Replace(target.c_str(), replacement.c_str(), backup.c_str()), c.replaced);
        WaitForSingleObject(closer.Get(), 5000);
        holder.Close();
        EXPECT_EQ(ReadFileBytes(target), c.replaced ? "new" : "old and longer");
        EXPECT_EQ(ReadFileBytes(backup), c.replaced ? "old and longer" : "earlier backup");
        EXPECT_EQ(ReadFileBytes(replacement), c.replaced ? "<missing>" : "new");
    }
}

TEST_F(Win32PlatformTest, RenameNeverOverwrites)
{
    const std::wstring target = PathOf(L"target.xml");
    WriteFileBytes(PathOf(L"first.xml"), "first");
    EXPECT_TRUE(platform.Rename(PathOf(L"first.xml").c_str(), target.c_str()));
    WriteFileBytes(PathOf(L"second.xml"), "second");
    EXPECT_FALSE(platform.Rename(PathOf(L"second.xml").c_str(), target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), "first");
    EXPECT_EQ(ReadFileBytes(PathOf(L"second.xml")), "second");
    EXPECT_FALSE(FileExists(PathOf(L"first.xml")));
}

TEST_F(Win32PlatformTest, RemoveDeletesByWidePathAndFailsOnAHeldFile)
{
    const std::wstring outsideCodePage = PathOf(L"\x0394\x03B5\x03BB\x03C4\x03AF\x03BF-\x65E5\x672C.xml");
    WriteFileBytes(outsideCodePage, "x");
    EXPECT_TRUE(platform.Remove(outsideCodePage.c_str()));
    EXPECT_FALSE(FileExists(outsideCodePage));

    const std::wstring held = PathOf(L"held.xml");
    WriteFileBytes(held, "x");
    const UniqueHandle holder = HoldFile(held, FILE_SHARE_READ);
    EXPECT_FALSE(platform.Remove(held.c_str()));
    EXPECT_TRUE(FileExists(held));
    EXPECT_FALSE(platform.Remove(PathOf(L"absent.xml").c_str()));
}

TEST_F(Win32PlatformTest, ConvertsFromTheCodePageOfTheThreadsLanguage)
{
    wchar_t buffer[19];
    EXPECT_EQ(platform.ToWideText("QM Build 09-18-2021", buffer), L"QM Build 09-18-2021");
    EXPECT_EQ(platform.ToWideText("QM Build 09-18-2021", std::span(buffer, 18)), L"");
    // Byte 0xC0 is Cyrillic A in the Russian code page, and A with a grave
    // accent in the Western one that the process's own code page is here.
    const LCID previous = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)));
    const std::wstring russian(platform.ToWideText("\xC0", buffer));
    SetThreadLocale(previous);
    EXPECT_EQ(russian, L"\x0410");
}

TEST_F(Win32PlatformTest, ProbesAndDownloadsFromALoopbackServerUntilGivenUp)
{
    const std::wstring target = PathOf(L"download.xml");
    WriteFileBytes(target, "earlier copy");
    std::wstring site;
    {
        LoopbackHttpServer server;
        server.Serve("/file.xml", {.body = "<x>QM Build 09-18-2021</x>\r\n"});
        site = L"http://127.0.0.1:" + std::to_wstring(server.Port());
        EXPECT_TRUE(platform.CanReachSite(site.c_str(), ProbeTimeLimit));
        EXPECT_TRUE(platform.Download((site + L"/file.xml").c_str(), target.c_str(), DownloadLimitsInUse).Succeeded());
        EXPECT_EQ(ReadFileBytes(target), "<x>QM Build 09-18-2021</x>\r\n");

        platform.GiveUpWaiting();
        EXPECT_FALSE(platform.CanReachSite(site.c_str(), ProbeTimeLimit));
        EXPECT_EQ(platform.Download((site + L"/file.xml").c_str(), target.c_str(), DownloadLimitsInUse).failure,
                  DownloadFailure::Other);
        EXPECT_EQ(server.Requests(), 1);
    }
    // The server is gone: its port is closed now.
    Win32Platform fresh;
    EXPECT_FALSE(fresh.CanReachSite(site.c_str(), ProbeTimeLimit));
    EXPECT_EQ(fresh.Download((site + L"/file.xml").c_str(), target.c_str(), DownloadLimitsInUse).failure,
              DownloadFailure::Other);
    EXPECT_EQ(ReadFileBytes(target), "<x>QM Build 09-18-2021</x>\r\n");
}
