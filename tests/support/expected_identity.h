#pragma once

#include <string>

// The program's identity as users and other programs see it, written out here
// on its own, so that a fact changed in the program fails the tests. The
// check of the executable (tests/app/check_executable.py) reads it too.
namespace expected {

inline const std::wstring Caption = L"QM 2020 Commands Updater Ver. 1.0.5";
inline const std::wstring Version = L"1.0.5.1";
inline const std::wstring InstanceMutex = L"{67ACC7DB-DA6E-4E0C-9612-EDED8DEDC465}";
// Below the user's profile.
inline const std::wstring CommandsFolder = L"\\AppData\\Roaming\\Quillmate\\QuillmateCommands\\";
inline const std::wstring CommandsFile = L"MyQMCommands.xml";
inline const std::wstring DownloadFile = L"MyQMCommandsTemp.xml";
inline const std::wstring BackupFile = L"MyQMCommands.xml.bak";
// The installed file's second name while an Update swaps.
inline const std::wstring SecondNameFile = L"MyQMCommands.xml.old";

} // namespace expected
