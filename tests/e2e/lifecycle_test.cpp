#include "e2e_fixture.h"

#include <windows.h>

namespace {

class Lifecycle : public EndToEnd {
protected:
    void SetUp() override
    {
        Install(Older);
        Publish(Newer);
    }
};

} // namespace

TEST_F(Lifecycle, ClosingDeletesTheDownloadAndExitsWithZero)
{
    const auto program = Start();
    ASSERT_TRUE(FileExists(download));
    Close(*program);
    EXPECT_FALSE(FileExists(download));
    EXPECT_EQ(program->BoxesWhileClosing(), 0);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Lifecycle, ClosingAfterAFailedProbeDeletesACopyLeftByAnEarlierRunWithoutABox)
{
    WriteFileBytes(download, Newer);
    site.reset();
    files.reset();
    const auto program = Start();
    EXPECT_EQ(program->Read().latest, expected::LatestLabel + expected::DownloadFailed);
    Close(*program);
    EXPECT_FALSE(FileExists(download));
    EXPECT_EQ(program->BoxesWhileClosing(), 0);
}

TEST_F(Lifecycle, ASecondInstanceEndsAtOnceAndANewStartWorksAfterTheFirstCloses)
{
    const auto first = Start();
    const DialogState shown = first->Read();
    {
        ProgramDriver second(profile.Path(), profile.Path());
        EXPECT_EQ(second.WaitForExit(10000), 0u);
        EXPECT_EQ(CountProgramDialogs(), 1);
    }
    EXPECT_EQ(first->Read(), shown);
    Close(*first);

    const auto third = Start();
    EXPECT_EQ(third->Read(), shown);
    Close(*third);
}

TEST_F(Lifecycle, TheInstanceIsFoundByTheMutexName)
{
    const wchar_t* const Name = expected::InstanceMutex.c_str();
    {
        // A mutex of that name held by any other process stops a start.
        const UniqueHandle mutex(CreateMutexW(nullptr, TRUE, Name));
        ASSERT_TRUE(mutex.IsValid());
        ProgramDriver program(profile.Path(), profile.Path());
        EXPECT_EQ(program.WaitForExit(10000), 0u);
        EXPECT_EQ(CountProgramDialogs(), 0);
    }
    // Another kind of object with that name keeps the mutex from being
    // created; the program then runs without the guard.
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, Name));
    ASSERT_TRUE(event.IsValid());
    const auto program = Start();
    EXPECT_EQ(program->Read().latest, expected::LatestLabel + L"QM Build 09-18-2021");
    Close(*program);
}

TEST_F(Lifecycle, CloseHasTheFocusAndIsTheDefaultSoEnterCloses)
{
    const auto program = Start();
    EXPECT_EQ(FocusOf(program->Dialog()), GetDlgItem(program->Dialog(), IDCANCEL));
    EXPECT_EQ(SendMessageW(program->Dialog(), DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
    program->PressKey(VK_RETURN);
    EXPECT_EQ(program->WaitForExit(), 0u);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Lifecycle, EnterOnAFocusedUpdateButtonPressesIt)
{
    const auto program = Start();
    program->PressKey(VK_TAB);
    HWND update = GetDlgItem(program->Dialog(), IDOK);
    for (int tries = 0; tries < 100 && FocusOf(program->Dialog()) != update; ++tries) {
        Sleep(20);
    }
    ASSERT_EQ(FocusOf(program->Dialog()), update);
    program->PressKey(VK_RETURN);
    const std::optional<ShownBox> box = program->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, expected::SuccessCaption);
    PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program->WaitUntilSettled());
    EXPECT_EQ(ReadFileBytes(installed), Newer);
    Close(*program);
}

TEST_F(Lifecycle, EscapeAndTheSystemCloseCommandEachEndTheDialog)
{
    struct Way {
        const char* name;
        void (*close)(const ProgramDriver&);
    };
    const Way ways[] = {
        {"Escape", [](const ProgramDriver& p) { p.PressKey(VK_ESCAPE); }},
        // The caption's close box and the system menu's Close both send SC_CLOSE.
        {"close box", [](const ProgramDriver& p) { p.PostToDialog(WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](const ProgramDriver& p) { p.PostToDialog(WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const auto program = Start();
        way.close(*program);
        EXPECT_EQ(program->WaitForExit(), 0u);
        EXPECT_FALSE(FileExists(download));
    }
}

// Its icons are checked in the dialog's own process (Wine cannot pass
// WM_GETICON between processes).
TEST_F(Lifecycle, TheDialogIsCentredInTheWorkArea)
{
    const auto program = Start();
    HWND dialog = program->Dialog();
    RECT work;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    RECT window;
    ASSERT_TRUE(GetWindowRect(dialog, &window));
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    EXPECT_EQ(window.left, (work.left + work.right) / 2 - width / 2);
    EXPECT_EQ(window.top, (work.top + work.bottom) / 2 - height / 2);
    Close(*program);
}

TEST_F(Lifecycle, WithoutUserProfileTheFolderIsMissing)
{
    const auto program = Start(std::nullopt);
    const DialogState shown = program->Read();
    EXPECT_EQ(shown.running, expected::RunningLabel + expected::NotAvailable);
    EXPECT_EQ(shown.latest, expected::LatestLabel + expected::NotAvailable);
    EXPECT_EQ(shown.status, expected::FolderMissing);
    EXPECT_FALSE(shown.buttonShown);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), Older);
    EXPECT_EQ(files->Requests(), 0);
}
