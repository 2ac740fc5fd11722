#pragma once
// Relaunching the program: elevated through the consent prompt, and the
// uninstaller from the temporary folder.
#include <string>

// Starts this program again with "runas" and waits for it; false when the user declined.
bool RunElevated(const std::wstring& parameters);
// Copies the uninstaller and its data file to the temporary folder and starts
// the copy with the installed folder in "PATH". Does not wait.
void RunUninstallerFromTempFolder(const std::wstring& parameters);
std::wstring CopyToTempFolder(const std::wstring& fileName);
bool IsUninstallerExecutable();

// How the elevated start is made (tests replace it to play a declined prompt).
struct _SHELLEXECUTEINFOW;
using TSetupElevatedLauncher = bool (*)(_SHELLEXECUTEINFOW* info);
void SetupSetElevatedLauncher(TSetupElevatedLauncher launcher);
