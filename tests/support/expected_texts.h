#pragma once

#include <string>

// The program's texts as the user must see them, written out here on their own
// so that a changed text in the program fails the tests; check_executable.py
// reads the captions too. The dialog's caption is in expected_identity.h.
namespace expected {

// The two lines are a label and what the check found: a signature, or one of these.
inline const std::wstring RunningLabel = L"You are running version:\t";
inline const std::wstring LatestLabel = L"The latest version is:\t";
inline const std::wstring NotAvailable = L"(Not available)";
inline const std::wstring DownloadFailed = L"(Download failed)";

// The buttons' captions; the Update button reads Install when nothing is installed.
inline const std::wstring UpdateCaption = L"Update";
inline const std::wstring InstallCaption = L"Install";
inline const std::wstring CloseCaption = L"Close";

inline const std::wstring FolderMissing =
    L"The default command folder doesn't (yet) exist.\r\n\r\nYou may need to run Quillmate first or again,\r\n"
    L"then restart this application.";
inline const std::wstring InstallOffer =
    L"A commands file wasn't found in the default path.\r\nClick 'Install' to create a copy of the latest version now.";
inline const std::wstring SignatureOffer =
    L"A commands file was found, but the build signature\r\ncouldn't be retrieved. Still running an older version?\r\n"
    L"Click 'Update' to get the latest version.\r\n\r\nIMPORTANT NOTE:\r\nUpdating will overwrite your current "
    L"commands.";
inline const std::wstring UpdateOffer =
    L"A more recent commands file is available now.\r\nClick 'Update' below to migrate to the latest version.\r\n\r\n"
    L"IMPORTANT NOTE:\r\nUpdating will overwrite your current commands.";
inline const std::wstring UpToDate = L"You are running the latest version of the commands file.";

inline std::wstring ConnectionFailure(const std::wstring& host)
{
    return L"Connecting to '" + host +
           L"' failed.\r\nYou may need to check your internet connection,\r\nand try again.";
}

// The message boxes: captions, then texts.
inline const std::wstring SuccessCaption = L"Success";
inline const std::wstring FailureCaption = L"Failure";
inline const std::wstring ErrorCaption = L"Error";
inline const std::wstring CopySucceeded =
    L"Copying the latest commands file succeeded.\r\n\r\nIMPORTANT NOTE:\r\n\r\n"
    L"The new commands will take effect\ronly after restarting Quillmate.";
inline const std::wstring CopyFailed = L"Copying the latest commands file did not succeed.";
inline const std::wstring DeleteFailed = L"Deleting the downloaded file didn't succeed.";

} // namespace expected
