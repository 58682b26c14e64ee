#include "e2e_fixture.h"
#include "hanging_listener.h"

#include <windows.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The site's connect or the download hangs; the program must neither stay
// hidden nor keep running once it is closed. The bounds are generous: the
// limits are 10 s for the probe and 15 s without progress for the download,
// and closing takes milliseconds.
class NetworkLimits : public EndToEnd {
protected:
    void SetUp() override
    {
        Install(Older);
        Publish(Newer);
    }

    // The site's addresses drop the connects of the probe and of the
    // download: nothing answers their SYN.
    void MakeSiteUnreachable()
    {
        site.reset();
        files.reset();
        unreachable.emplace(QMCU_TEST_PROBE_PORT, SiteAddress);
        unreachableFiles.emplace(QMCU_TEST_DOWNLOAD_PORT);
    }

    std::optional<HangingListener> unreachable;
    std::optional<HangingListener> unreachableFiles;
};

} // namespace

TEST_F(NetworkLimits, AnUnreachableSiteShowsTheDialogInTimeAndCloseEndsAtOnce)
{
    MakeSiteUnreachable();
    const Clock::time_point started = Clock::now();
    ProgramDriver program(profile.Path(), profile.Path());
    ASSERT_NE(program.WaitForDialog(90000), nullptr);
    const double waited = SecondsSince(started);
    EXPECT_GE(waited, 5.0) << "it did not wait for the connect";
    EXPECT_LE(waited, 40.0);
    const DialogState shown = program.Read();
    EXPECT_EQ(shown.latest, expected::LatestLabel + expected::DownloadFailed);
    EXPECT_EQ(shown.status, expected::ConnectionFailure(SiteHost));
    EXPECT_FALSE(shown.buttonShown);

    // The abandoned connect is still waiting, and must not hold the program.
    const Clock::time_point closing = Clock::now();
    program.Click(IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_LE(SecondsSince(closing), 5.0);
}

TEST_F(NetworkLimits, CloseWhileTheFirstCheckWaitsForTheSiteEndsAtOnce)
{
    MakeSiteUnreachable();
    ProgramDriver program(profile.Path(), profile.Path());
    // The dialog exists, hidden, while its first check runs.
    HWND dialog = WaitForDialog({}, 5000);
    ASSERT_NE(dialog, nullptr);
    Sleep(1000);
    ASSERT_FALSE(IsWindowVisible(dialog));
    const Clock::time_point closing = Clock::now();
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_LE(SecondsSince(closing), 5.0);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(NetworkLimits, CloseDuringAStalledRecheckEndsAtOnce)
{
    const auto program = Start();
    ASSERT_TRUE(program->Read().buttonShown);
    // The check after the copy finds the download server silent.
    files->Serve("/downloads/MyQMCommands.xml", {.silenceMs = 60000, .answers = false});
    const int downloads = files->Requests();
    program->Click(IDOK);
    const std::optional<ShownBox> box = program->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    for (int tries = 0; tries < 500 && files->Requests() == downloads; ++tries) {
        Sleep(20);
    }
    ASSERT_GT(files->Requests(), downloads) << "the recheck never asked for the file";

    const Clock::time_point closing = Clock::now();
    program->Click(IDCANCEL);
    EXPECT_EQ(program->WaitForExit(), 0u);
    EXPECT_LE(SecondsSince(closing), 5.0);
    EXPECT_EQ(program->BoxesWhileClosing(), 0);
    EXPECT_EQ(ReadFileBytes(installed), Newer);
    EXPECT_FALSE(FileExists(download));
}
