#pragma once
// The Windows shell: special folders, opening documents and URLs, shortcuts.
#include <string>
#include <string_view>

// Folder numbers the setup uses.
inline constexpr int CSIDL_DESKTOP_ = 0, CSIDL_STARTMENU_ = 11, CSIDL_COMMON_STARTMENU_ = 22,
                     CSIDL_COMMON_PROGRAMS_ = 23, CSIDL_COMMON_DESKTOPDIRECTORY_ = 25, CSIDL_APPDATA_ = 26,
                     CSIDL_PROGRAM_FILES_ = 38, CSIDL_PROFILE_ = 40;

// With trailing "\"; the temporary folder when the system has none.
std::wstring zoGetSpecialFolderPath(int folder);
std::wstring zoGetAppDataPath();
std::wstring zoGetDesktopPath();
std::wstring zoGetSystemPath();

bool zoShellExecute(const std::wstring& file, const std::wstring& parameters);
bool zoShellOpen(const std::wstring& file, const std::wstring& parameters = {});
bool zoOpenURL(const std::wstring& url);
bool zoOpenLink(const std::wstring& text);

// A link to an existing file; nothing but the target is set.
bool zoCreateShortcut(const std::wstring& linkFile, const std::wstring& target);
// Reads a ".lnk" file's target without resolving it.
bool zoGetShortcutTarget(const std::wstring& linkFile, std::wstring& target);
// Tells the shell that file associations changed, then waits a second for it.
void zoNotifyAssociationsChanged();
