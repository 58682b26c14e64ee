#pragma once

#include "expected_texts.h"
#include "loopback_profile.h"
#include "program_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A profile folder of its own, the vendor's site and download server on their
// loopback ports, and the program started against them.
class EndToEnd : public ::testing::Test, protected LoopbackProfile {
protected:
    EndToEnd() : LoopbackProfile(L"profile") {}

    void CreateCommandsFolder() { CreateFolders(folder); }
    void Install(const std::string& content)
    {
        CreateCommandsFolder();
        WriteFileBytes(installed, content);
    }
    void Publish(const std::string& content) { files->Serve("/downloads/MyQMCommands.xml", {.body = content}); }

    // Starts the program on this profile, with the "name=value" entries of
    // `environment` added to its environment, and waits for its dialog.
    std::unique_ptr<ProgramDriver> Start(const std::optional<std::wstring>& userProfile,
                                         const std::vector<std::wstring>& environment = {})
    {
        // A start while an earlier instance still holds the mutex would end
        // at once as a second instance.
        EXPECT_TRUE(WaitUntilNoInstanceRuns()) << "an earlier instance still runs";
        auto program = std::make_unique<ProgramDriver>(userProfile, profile.Path(), environment);
        EXPECT_NE(program->WaitForDialog(), nullptr)
            << "the dialog never appeared" << (program->HasExited() ? "; the program has ended" : "");
        return program;
    }
    std::unique_ptr<ProgramDriver> Start() { return Start(profile.Path()); }

    // Closes the dialog with its Close button and expects a clean exit.
    void Close(ProgramDriver& program)
    {
        program.Click(IDCANCEL);
        EXPECT_EQ(program.WaitForExit(), 0u);
    }
};

inline std::ostream& operator<<(std::ostream& out, const DialogState& state)
{
    using ::testing::PrintToString;
    return out << "{running " << PrintToString(state.running) << ", latest " << PrintToString(state.latest)
               << ", status " << PrintToString(state.status) << ", button " << PrintToString(state.buttonCaption)
               << (state.buttonShown ? " shown" : " hidden") << (state.buttonEnabled ? " enabled" : " disabled") << "}";
}
