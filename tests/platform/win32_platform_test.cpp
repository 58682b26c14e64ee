#include "expected_identity.h"
#include "loopback_http_server.h"
#include "temp_folder.h"
#include "no_hard_links.h"
#include "platform/file_swap.h"
#include "platform/own_files.h"
#include "platform/win32_platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Whether a site check of `site` that `platform` starts reaches it.
bool Reached(PlatformServices& platform, const std::wstring& site)
{
    const std::unique_ptr<SiteCheck> check = platform.StartSiteCheck(site.c_str(), ProbeTimeLimit);
    return check != nullptr && check->SiteReached();
}

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

// Other programs at work while the files are swapped: one keeps opening
// `readPaths` for reading, as a virus scanner or an indexer does, the other
// counts the moments in which nothing stands at `watched`.
struct Bystanders {
    std::wstring watched;
    std::vector<std::wstring> readPaths;
    volatile LONG stop = 0;
    volatile LONG polls = 0;
    volatile LONG missing = 0;

    static DWORD WINAPI Poll(void* parameter)
    {
        auto* self = static_cast<Bystanders*>(parameter);
        while (InterlockedCompareExchange(&self->stop, 0, 0) == 0) {
            if (GetFileAttributesW(self->watched.c_str()) == INVALID_FILE_ATTRIBUTES) {
                InterlockedIncrement(&self->missing);
            }
            InterlockedIncrement(&self->polls);
        }
        return 0;
    }

    static DWORD WINAPI Read(void* parameter)
    {
        auto* self = static_cast<Bystanders*>(parameter);
        while (InterlockedCompareExchange(&self->stop, 0, 0) == 0) {
            for (const std::wstring& path : self->readPaths) {
                const UniqueHandle file(CreateFileW(path.c_str(),
                                                    GENERIC_READ,
                                                    FILE_SHARE_READ,
                                                    nullptr,
                                                    OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
                char byte;
                DWORD read = 0;
                static_cast<void>(file.IsValid() && ReadFile(file.Get(), &byte, 1, &read, nullptr));
            }
            Sleep(1);
        }
        return 0;
    }
};

// The lines written with OutputDebugStringW while it lives, caught as the
// exception that carries each to a debugger; the exception goes on to the
// system's own handler.
class DebugLines {
public:
    DebugLines() : handler_(AddVectoredExceptionHandler(1, Catch)) { caught_ = &lines; }
    ~DebugLines()
    {
        RemoveVectoredExceptionHandler(handler_);
        caught_ = nullptr;
    }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;

    std::vector<std::string> lines;

private:
    static LONG CALLBACK Catch(EXCEPTION_POINTERS* exception)
    {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && caught_ != nullptr) {
            const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
            caught_->emplace_back(text, strnlen(text, record.ExceptionInformation[0]));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline std::vector<std::string>* caught_ = nullptr;
    void* handler_;
};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class Win32PlatformTest : public ::testing::Test {
protected:
    TempFolder folder{L"platform"};
    Win32Platform platform;

    std::wstring PathOf(const std::wstring& name) const { return folder.Path() + L"\\" + name; }

    // The files of a swap, with the names that the program gives them.
    const std::wstring target = PathOf(expected::CommandsFile);
    const std::wstring replacement = PathOf(L"new.xml");
    const std::wstring backup = PathOf(expected::BackupFile);
    const std::wstring second = PathOf(expected::SecondNameFile);
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
        DWORD heldForMs;            // 0: throughout
        std::wstring_view readOnly; // empty for none
        win32::MakeHardLink link;
        bool replaced;
        // Whether the backup holds what the target held; after a swap that did
        // not make it, the old file stays under the second name.
        bool backupMade;
    };
    // clang-format off
    const Case cases[] = {
        {"nothing held", nullptr, 0, 0, L"", CreateHardLinkW, true, true},
        {"a volume without hard links", nullptr, 0, 0, L"", NoHardLinks, true, true},
        {"the installed file, without delete sharing", target.c_str(), Shared, 0, L"", CreateHardLinkW, false, false},
        {"the installed file, read-only", nullptr, 0, 0, target, CreateHardLinkW, false, false},
        {"the new file, by a reader for a moment", replacement.c_str(), FILE_SHARE_READ, 300, L"", CreateHardLinkW,
         true, true},
        {"the new file, by a reader throughout", replacement.c_str(), FILE_SHARE_READ, 0, L"", CreateHardLinkW, false,
         false},
        {"the new file, throughout, without hard links", replacement.c_str(), FILE_SHARE_READ, 0, L"", NoHardLinks,
         false, false},
        {"the second name, left read-only by an earlier swap", nullptr, 0, 0, second, CreateHardLinkW, true, true},
        {"the backup, without delete sharing", backup.c_str(), Shared, 0, L"", CreateHardLinkW, true, false},
    };
    // clang-format on
    wchar_t named[MAX_PATH];
    ASSERT_TRUE(win32::SecondNameOf(target.c_str(), named));
    ASSERT_EQ(named, second);
    ASSERT_FALSE(win32::SecondNameOf(target.c_str(), std::span(named, target.size() + 4)));
    EXPECT_STREQ(named, L"");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(target, "old and longer");
        WriteFileBytes(replacement, "new");
        WriteFileBytes(backup, "earlier backup");
        if (!c.readOnly.empty()) {
            if (c.readOnly == second) {
                WriteFileBytes(second, "left over");
            }
            ASSERT_TRUE(SetFileAttributesW(std::wstring(c.readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        UniqueHandle holder = c.held != nullptr ? HoldFile(c.held, c.share) : UniqueHandle();
        const UniqueHandle closer = c.heldForMs != 0 ? CloseLater(holder.Release(), c.heldForMs) : UniqueHandle();
        EXPECT_EQ(win32::ReplaceKeepingBackup(target.c_str(), replacement.c_str(), backup.c_str(), c.link), c.replaced);
        WaitForSingleObject(closer.Get(), 5000);
        holder.Close();
        EXPECT_EQ(ReadFileBytes(target), c.replaced ? "new" : "old and longer");
        EXPECT_EQ(ReadFileBytes(replacement), c.replaced ? "<missing>" : "new");
        EXPECT_EQ(ReadFileBytes(backup), c.backupMade ? "old and longer" : "earlier backup");
        EXPECT_EQ(ReadFileBytes(second), c.replaced && !c.backupMade ? "old and longer" : "<missing>");
        // The user's file keeps its attribute; only the program's own lose it.
        EXPECT_EQ(win32::IsReadOnly(target.c_str()), !c.replaced && c.readOnly == target);
        for (const std::wstring& path : {target, backup, second}) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        DeleteFileW(second.c_str());
    }
}

TEST_F(Win32PlatformTest, TheInstalledNameNeverStandsFreeWhileOthersReadTheFiles)
{
    WriteFileBytes(target, "edition 0");
    Bystanders bystanders{target, {replacement, backup}};
    const UniqueHandle poller(CreateThread(nullptr, 0, Bystanders::Poll, &bystanders, 0, nullptr));
    const UniqueHandle reader(CreateThread(nullptr, 0, Bystanders::Read, &bystanders, 0, nullptr));
    for (int edition = 1; edition <= 30; ++edition) {
        SCOPED_TRACE(edition);
        // Written aside and moved in, since the reader may hold the new file.
        WriteFileBytes(PathOf(L"staged.xml"), "edition " + std::to_string(edition));
        ASSERT_TRUE(MoveFileExW(PathOf(L"staged.xml").c_str(), replacement.c_str(), 0));
        EXPECT_TRUE(win32::ReplaceKeepingBackup(target.c_str(), replacement.c_str(), backup.c_str()));
        EXPECT_EQ(ReadFileBytes(target), "edition " + std::to_string(edition));
        const std::string previous = "edition " + std::to_string(edition - 1);
        EXPECT_TRUE(ReadFileBytes(backup) == previous || ReadFileBytes(second) == previous);
    }
    InterlockedExchange(&bystanders.stop, 1);
    WaitForSingleObject(poller.Get(), 5000);
    WaitForSingleObject(reader.Get(), 5000);
    EXPECT_GT(bystanders.polls, 1000);
    EXPECT_EQ(bystanders.missing, 0);
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

TEST_F(Win32PlatformTest, RemoveDeletesByWidePathAlsoReadOnlyAndFailsOnAHeldFile)
{
    const std::wstring outsideCodePage = PathOf(L"\x0394\x03B5\x03BB\x03C4\x03AF\x03BF-\x65E5\x672C.xml");
    WriteFileBytes(outsideCodePage, "x");
    EXPECT_TRUE(platform.Remove(outsideCodePage.c_str()));
    EXPECT_FALSE(FileExists(outsideCodePage));

    const std::wstring readOnly = PathOf(L"read-only.xml");
    WriteFileBytes(readOnly, "x");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(platform.Remove(readOnly.c_str()));
    EXPECT_FALSE(FileExists(readOnly));

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
        const std::wstring url = site + L"/file.xml";
        EXPECT_TRUE(Reached(platform, site));
        // Nothing that stands at the path is written over.
        EXPECT_EQ(platform.Download(url.c_str(), target.c_str(), DownloadLimitsInUse).failure, DownloadFailure::Other);
        EXPECT_EQ(ReadFileBytes(target), "earlier copy");
        ASSERT_TRUE(DeleteFileW(target.c_str()));
        EXPECT_TRUE(platform.Download(url.c_str(), target.c_str(), DownloadLimitsInUse).Succeeded());
        EXPECT_EQ(ReadFileBytes(target), "<x>QM Build 09-18-2021</x>\r\n");
        // Nor in a folder that is missing.
        const std::wstring missing = PathOf(L"missing\\download.xml");
        EXPECT_EQ(platform.Download(url.c_str(), missing.c_str(), DownloadLimitsInUse).failure, DownloadFailure::Other);

        platform.GiveUpWaiting();
        EXPECT_FALSE(Reached(platform, site));
        EXPECT_EQ(platform.Download(url.c_str(), PathOf(L"next.xml").c_str(), DownloadLimitsInUse).failure,
                  DownloadFailure::Other);
        EXPECT_EQ(server.Requests(), 3);
    }
    // The server is gone: its port is closed now.
    Win32Platform fresh;
    EXPECT_FALSE(Reached(fresh, site));
    EXPECT_EQ(fresh.Download((site + L"/file.xml").c_str(), PathOf(L"next.xml").c_str(), DownloadLimitsInUse).failure,
              DownloadFailure::Other);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::wstring>{L"download.xml"});
}

TEST_F(Win32PlatformTest, EachFailureTellsSupportWhyInOneDebugLine)
{
    LoopbackHttpServer server;
    const std::string document = "<x>QM Build 09-18-2021" + std::string(100000, ' ') + "</x>";
    server.Serve("/cut.xml", {.body = document, .bodyBytesSent = 50000, .chunked = true});
    server.Serve("/file.xml", {.body = document});
    const std::wstring site = L"http://127.0.0.1:" + std::to_wstring(server.Port());
    const std::wstring taken = PathOf(L"taken.xml");
    const std::wstring readOnly = PathOf(L"read-only.xml");
    const std::wstring held = PathOf(L"held.xml");
    WriteFileBytes(taken, "x");
    WriteFileBytes(readOnly, "x");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFileBytes(held, "x");
    const UniqueHandle holder = HoldFile(held, FILE_SHARE_READ);

    DebugLines debug;
    EXPECT_EQ(platform.Download((site + L"/cut.xml").c_str(), PathOf(L"cut.xml").c_str(), DownloadLimitsInUse).failure,
              DownloadFailure::Incomplete);
    EXPECT_FALSE(platform.Download((site + L"/file.xml").c_str(), taken.c_str(), DownloadLimitsInUse).Succeeded());
    EXPECT_FALSE(platform.Replace(readOnly.c_str(), taken.c_str(), PathOf(L"read-only.xml.bak").c_str()));
    EXPECT_FALSE(platform.Rename(held.c_str(), taken.c_str()));
    EXPECT_FALSE(platform.Remove(held.c_str()));
    EXPECT_FALSE(platform.Remove(PathOf(L"absent.xml").c_str()));
    const std::string prefix = "QMCommandsUpdater: ";
    EXPECT_EQ(
        debug.lines,
        (std::vector<std::string>{
            prefix +
                "download failed: the reply has no length, and its document ends early (error 0, HTTP "
                "status 200): " +
                Narrow(site) + "/cut.xml\n",
            prefix + "download failed: the file cannot be written (error 80, HTTP status 0): " + Narrow(taken) + "\n",
            prefix + "update failed: the download cannot replace the installed file (error 5, HTTP status 0): " +
                Narrow(readOnly) + "\n",
            prefix +
                "install failed: the download cannot take the installed file's name (error 32, HTTP "
                "status 0): " +
                Narrow(taken) + "\n",
            prefix + "delete failed: the file cannot be deleted (error 32, HTTP status 0): " + Narrow(held) + "\n",
        }));
}
