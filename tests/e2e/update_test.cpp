#include "e2e_fixture.h"

#include <windows.h>

namespace {

class Update : public EndToEnd {
protected:
    // Presses the offered button and answers the box it brings up.
    ShownBox PressAndAnswer(ProgramDriver& program)
    {
        const DialogState before = program.Read();
        EXPECT_TRUE(before.buttonShown && before.buttonEnabled) << "no update was offered";
        const int downloads = files->Requests();
        program.Click(IDOK);
        const std::optional<ShownBox> box = program.WaitForMessageBox();
        EXPECT_TRUE(box.has_value()) << "no message box appeared";
        if (!box) {
            return {};
        }
        PostMessageW(box->window, WM_COMMAND, IDOK, 0);
        // The check that follows the box downloads again.
        for (int tries = 0; tries < 1000 && files->Requests() == downloads; ++tries) {
            Sleep(20);
        }
        EXPECT_GT(files->Requests(), downloads);
        EXPECT_TRUE(program.WaitUntilSettled());
        return *box;
    }
};

} // namespace

TEST_F(Update, InstallCreatesTheFileAndTheRecheckHidesTheButton)
{
    CreateCommandsFolder();
    Publish(Newer);
    const auto program = Start();
    ASSERT_EQ(program->Read().buttonCaption, expected::InstallCaption);

    const ShownBox box = PressAndAnswer(*program);
    EXPECT_EQ(box.caption, expected::SuccessCaption);
    EXPECT_EQ(box.text, expected::CopySucceeded);
    EXPECT_TRUE(box.showsIcon);
    EXPECT_EQ(ReadFileBytes(installed), Newer);
    EXPECT_FALSE(FileExists(backup));
    const DialogState after = program->Read();
    EXPECT_EQ(after.running, expected::RunningLabel + L"QM Build 09-18-2021");
    EXPECT_EQ(after.status, expected::UpToDate);
    EXPECT_FALSE(after.buttonShown);
    EXPECT_FALSE(after.buttonEnabled);
    Close(*program);
}

TEST_F(Update, UpdateReplacesAnOlderEdition)
{
    Install(Older);
    Publish(Newer);
    const auto program = Start();
    const ShownBox box = PressAndAnswer(*program);
    EXPECT_EQ(box.caption, expected::SuccessCaption);
    EXPECT_EQ(ReadFileBytes(installed), Newer);
    EXPECT_EQ(ReadFileBytes(backup), Older);
    EXPECT_EQ(program->Read().status, expected::UpToDate);
    Close(*program);
    EXPECT_FALSE(FileExists(download));
}

TEST_F(Update, AFileHeldWithReadSharingFailsAndIsOfferedAgain)
{
    Install(Older);
    Publish(Newer);
    const auto program = Start();
    const UniqueHandle holder = HoldFile(installed, FILE_SHARE_READ);
    ASSERT_TRUE(holder.IsValid());

    const ShownBox box = PressAndAnswer(*program);
    EXPECT_EQ(box.caption, expected::FailureCaption);
    EXPECT_EQ(box.text, expected::CopyFailed);
    EXPECT_FALSE(box.showsIcon);
    const DialogState after = program->Read();
    EXPECT_EQ(after.running, expected::RunningLabel + L"QM Build 01-02-2020");
    EXPECT_EQ(after.buttonCaption, expected::UpdateCaption);
    EXPECT_TRUE(after.buttonShown && after.buttonEnabled);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), Older);
}

TEST_F(Update, AFileHeldWithoutSharingFailsAndIsThenNotAvailable)
{
    Install(Older);
    Publish(Newer);
    const auto program = Start();
    UniqueHandle holder = HoldFile(installed, 0);
    ASSERT_TRUE(holder.IsValid());

    const ShownBox box = PressAndAnswer(*program);
    EXPECT_EQ(box.caption, expected::FailureCaption);
    const DialogState after = program->Read();
    EXPECT_EQ(after.running, expected::RunningLabel + expected::NotAvailable);
    EXPECT_EQ(after.buttonCaption, expected::InstallCaption);
    EXPECT_EQ(after.status, expected::InstallOffer);
    Close(*program);
    holder.Close();
    EXPECT_EQ(ReadFileBytes(installed), Older);
}
