#include "program_driver.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The whole suite starts the program again and again in one prefix. What one
// run leaves behind could change the next, so once the suite is over, with
// every test's profile deleted, the temporary folder where the profiles
// lived and the prefix's internet cache and cookies must hold no file that
// was not there before, and no instance of the program may still run.
class NothingLeftBehind : public ::testing::Environment {
public:
    void SetUp() override { before_ = Files(); }

    void TearDown() override
    {
        EXPECT_TRUE(WaitUntilNoInstanceRuns());
        EXPECT_EQ(CountProgramDialogs(), 0);
        const std::vector<std::wstring> after = Files();
        std::vector<std::wstring> left;
        std::set_difference(after.begin(), after.end(), before_.begin(), before_.end(), std::back_inserter(left));
        EXPECT_EQ(left, std::vector<std::wstring>{});
    }

private:
    static std::vector<std::wstring> Files()
    {
        std::vector<std::wstring> files;
        wchar_t temp[MAX_PATH];
        std::wstring tempFolder(temp, GetTempPathW(MAX_PATH, temp));
        if (!tempFolder.empty() && tempFolder.back() == L'\\') {
            tempFolder.pop_back();
        }
        std::vector<std::wstring> folders{tempFolder};
        for (const int kind : {CSIDL_INTERNET_CACHE, CSIDL_COOKIES}) {
            wchar_t folder[MAX_PATH];
            if (SHGetFolderPathW(nullptr, kind, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK) {
                folders.emplace_back(folder);
            }
        }
        for (const std::wstring& folder : folders) {
            const std::vector<std::wstring> below = FilesBelow(folder);
            files.insert(files.end(), below.begin(), below.end());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    std::vector<std::wstring> before_;
};

[[maybe_unused]] ::testing::Environment* const nothingLeftBehind =
    ::testing::AddGlobalTestEnvironment(new NothingLeftBehind);

} // namespace
