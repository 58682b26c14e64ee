#include "e2e_fixture.h"

#include <windows.h>

#include <vector>

namespace {

class Files : public EndToEnd {
protected:
    void SetUp() override
    {
        Install(Older);
        Publish(Newer);
    }

    // Closes the program and returns the boxes it showed while closing.
    int CloseCountingBoxes(ProgramDriver& program)
    {
        program.Click(IDCANCEL);
        EXPECT_EQ(program.WaitForExit(), 0u);
        return program.BoxesWhileClosing();
    }
};

// A profile folder with its own name under the temporary folder.
class OtherProfile : public EndToEnd {
protected:
    void UseProfile(const std::wstring& path)
    {
        otherProfile = path;
        otherFolder = path + expected::CommandsFolder;
        CreateFolders(otherFolder);
        WriteFileBytes(otherFolder + expected::CommandsFile, Older);
        Publish(Newer);
    }

    std::wstring otherProfile;
    std::wstring otherFolder;
};

} // namespace

TEST_F(Files, ADownloadHeldWithoutSharingAtCloseStaysWithoutABox)
{
    const auto program = Start();
    UniqueHandle holder = HoldFile(download, 0);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ(CloseCountingBoxes(*program), 0);
    holder.Close();
    EXPECT_EQ(ReadFileBytes(download), Newer);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Files, ADownloadHeldWithReadSharingAtCloseShowsTheErrorBoxAndStillEnds)
{
    const auto program = Start();
    UniqueHandle holder = HoldFile(download, FILE_SHARE_READ);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ(CloseCountingBoxes(*program), 1);
    ASSERT_TRUE(program->LastBoxWhileClosing().has_value());
    EXPECT_EQ(program->LastBoxWhileClosing()->caption, expected::ErrorCaption);
    EXPECT_EQ(program->LastBoxWhileClosing()->text, expected::DeleteFailed);
    EXPECT_FALSE(program->LastBoxWhileClosing()->showsIcon);
    holder.Close();
    EXPECT_EQ(ReadFileBytes(download), Newer);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Files, AStaleDownloadHeldByAnotherProgramIsNeverOffered)
{
    WriteFileBytes(download, "<c>QM Build 01-01-2030</c>");
    UniqueHandle holder = HoldFile(download, FILE_SHARE_READ);
    ASSERT_TRUE(holder.IsValid());
    const auto program = Start();
    const DialogState shown = program->Read();
    EXPECT_EQ(shown.latest, expected::LatestLabel + expected::DownloadFailed);
    EXPECT_EQ(shown.status, L"");
    EXPECT_FALSE(shown.buttonShown);
    EXPECT_EQ(files->Requests(), 0);
    EXPECT_EQ(CloseCountingBoxes(*program), 1); // the held file cannot be deleted either
    holder.Close();
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Files, AReadOnlyDownloadLeftFromBeforeIsReplacedAndTheOfferAppears)
{
    WriteFileBytes(download, "<c>QM Build 01-01-2030</c>");
    ASSERT_TRUE(SetFileAttributesW(download.c_str(), FILE_ATTRIBUTE_READONLY));
    const auto program = Start();
    const DialogState shown = program->Read();
    EXPECT_EQ(shown.latest, expected::LatestLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(shown.buttonCaption, expected::UpdateCaption);
    EXPECT_TRUE(shown.buttonShown);
    EXPECT_EQ(ReadFileBytes(download), Newer);
    EXPECT_EQ(CloseCountingBoxes(*program), 0);
    EXPECT_FALSE(FileExists(download));
}

TEST_F(Files, ACommandsFolderThatDisappearsBeforeTheClickFailsSafely)
{
    const auto program = Start();
    ASSERT_TRUE(program->Read().buttonShown);
    ASSERT_TRUE(DeleteFileW(installed.c_str()) && DeleteFileW(download.c_str()));
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    program->Click(IDOK);
    const std::optional<ShownBox> box = program->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, expected::FailureCaption);
    PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program->WaitUntilSettled());
    EXPECT_EQ(program->Read().status, expected::FolderMissing);
    EXPECT_EQ(CloseCountingBoxes(*program), 0);
    EXPECT_FALSE(FileExists(folder));
}

TEST_F(OtherProfile, AProfileOutsideTheCodePageIsUpdatedAndCleanedUp)
{
    UseProfile(profile.Path() + L"\\\x0396\x03C9\x03AE-\x65E5\x672C-\x0416");
    const auto program = Start(otherProfile);
    ASSERT_EQ(program->Read().buttonCaption, expected::UpdateCaption);
    program->Click(IDOK);
    const std::optional<ShownBox> box = program->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, expected::SuccessCaption);
    PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    for (int tries = 0; tries < 1000 && files->Requests() < 2; ++tries) {
        Sleep(20);
    }
    ASSERT_TRUE(program->WaitUntilSettled());
    EXPECT_EQ(program->Read().status, expected::UpToDate);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(otherFolder + expected::CommandsFile), Newer);
    EXPECT_FALSE(FileExists(otherFolder + expected::DownloadFile));
}

TEST_F(OtherProfile, AProfileTooLongForThePathsCountsAsMissing)
{
    // Created through the long-path prefix; the commands folder then needs more
    // than the 259 characters a path may have.
    const std::wstring longProfile = profile.Path() + L"\\" + std::wstring(230 - profile.Path().size(), L'p');
    UseProfile(L"\\\\?\\" + longProfile);
    const auto program = Start(longProfile);
    EXPECT_EQ(program->Read().status, expected::FolderMissing);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(otherFolder + expected::CommandsFile), Older);
    EXPECT_EQ(files->Requests(), 0);
}

TEST_F(Files, OfEightCopiesStartedAtOnceExactlyOneShowsTheDialog)
{
    std::vector<std::unique_ptr<ProgramDriver>> copies;
    for (int i = 0; i < 8; ++i) {
        copies.push_back(std::make_unique<ProgramDriver>(profile.Path(), profile.Path()));
    }
    std::vector<ProgramDriver*> running;
    for (int tries = 0; tries < 1500; ++tries) {
        running.clear();
        for (const auto& copy : copies) {
            if (!copy->HasExited()) {
                running.push_back(copy.get());
            }
        }
        if (running.size() <= 1) {
            break;
        }
        Sleep(20);
    }
    ASSERT_EQ(running.size(), 1u);
    for (const auto& copy : copies) {
        if (copy.get() != running[0]) {
            EXPECT_EQ(copy->WaitForExit(0), 0u);
        }
    }
    ASSERT_NE(running[0]->WaitForDialog(), nullptr);
    EXPECT_EQ(CountProgramDialogs(), 1);
    Close(*running[0]);

    const auto next = Start();
    EXPECT_EQ(next->Read().buttonCaption, expected::UpdateCaption);
    Close(*next);
}
