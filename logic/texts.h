#pragma once

// Every text the update logic shows, exactly as the user sees it.
namespace text {

inline constexpr wchar_t RunningLabel[] = L"You are running version:\t";
inline constexpr wchar_t LatestLabel[] = L"The latest version is:\t";
inline constexpr wchar_t NotAvailable[] = L"(Not available)";
inline constexpr wchar_t DownloadFailed[] = L"(Download failed)";

inline constexpr wchar_t UpdateCaption[] = L"Update";
inline constexpr wchar_t InstallCaption[] = L"Install";

inline constexpr wchar_t RunningNotAvailable[] = L"You are running version:\t(Not available)";
inline constexpr wchar_t LatestNotAvailable[] = L"The latest version is:\t(Not available)";
inline constexpr wchar_t FolderMissing[] =
    L"The default command folder doesn't (yet) exist.\r\n\r\n"
    L"You may need to run Quillmate first or again,\r\n"
    L"then restart this application.";

inline constexpr wchar_t InstallOffer[] =
    L"A commands file wasn't found in the default path.\r\n"
    L"Click 'Install' to create a copy of the latest version now.";
inline constexpr wchar_t SignatureOffer[] =
    L"A commands file was found, but the build signature\r\n"
    L"couldn't be retrieved. Still running an older version?\r\n"
    L"Click 'Update' to get the latest version.\r\n\r\n"
    L"IMPORTANT NOTE:\r\n"
    L"Updating will overwrite your current commands.";
inline constexpr wchar_t UpdateOffer[] =
    L"A more recent commands file is available now.\r\n"
    L"Click 'Update' below to migrate to the latest version.\r\n\r\n"
    L"IMPORTANT NOTE:\r\n"
    L"Updating will overwrite your current commands.";
inline constexpr wchar_t UpToDate[] = L"You are running the latest version of the commands file.";

// The connection failure text is ConnectingPrefix + host + ConnectingSuffix.
inline constexpr wchar_t ConnectingPrefix[] = L"Connecting to '";
inline constexpr wchar_t ConnectingSuffix[] =
    L"' failed.\r\n"
    L"You may need to check your internet connection,\r\n"
    L"and try again.";

inline constexpr wchar_t SuccessCaption[] = L"Success";
// The lone carriage return after "effect" is part of the text.
inline constexpr wchar_t CopySucceeded[] =
    L"Copying the latest commands file succeeded.\r\n\r\n"
    L"IMPORTANT NOTE:\r\n\r\n"
    L"The new commands will take effect\r"
    L"only after restarting Quillmate.";
inline constexpr wchar_t FailureCaption[] = L"Failure";
inline constexpr wchar_t CopyFailed[] = L"Copying the latest commands file did not succeed.";
inline constexpr wchar_t ErrorCaption[] = L"Error";
inline constexpr wchar_t DeleteFailed[] = L"Deleting the downloaded file didn't succeed.";

} // namespace text
