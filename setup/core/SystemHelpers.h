#pragma once
// The setup's contact with the registry and with files that may be in use:
// the uninstall entry, the user accounts, COM server unregistration, a search
// that leaves one folder out, and file and process helpers.
#include <functional>
#include <string>

class IZORStringReceiver;

class TSetupAppRepo {
public:
  // "Software\Microsoft\Windows\CurrentVersion\Uninstall\" (or its Wow6432Node mirror).
  static std::wstring GetUninstallKey(bool mirror32);
  // The display name without spaces; empty means no entry.
  static std::wstring GetEntryName(const std::wstring& displayName);
  // The folder of an existing entry (64-bit view first, then 32-bit).
  static bool FindInstallPath(const std::wstring& displayName, std::wstring& folder);
  static void Register(const std::wstring& displayName, const std::wstring& uninstaller, const std::wstring& version,
                       const std::wstring& publisher, const std::wstring& url);
  static void Unregister(const std::wstring& displayName);
};

class TSetupUsers {
public:
  using TCallback = std::function<void(const std::wstring& userName, const std::wstring& appData)>;
  // The current user first, then every account of the profile list (duplicates possible).
  static void Populate(const TCallback& callback);
};

class TSetupActiveX {
public:
  static void CallEntryPoint(const std::wstring& library, const char* function);
  static void Unregister(const std::wstring& library) { CallEntryPoint(library, "DllUnregisterServer"); }
};

class TFileSearchHelper {
public:
  // Every file below root; folders starting with excludedPrefix are not entered.
  static void Search(const std::wstring& root, const std::wstring& excludedPrefix, IZORStringReceiver& receiver);
};

// Raises the system error with "source -> target" when the copy fails.
void CopyFileOrRaise(const std::wstring& source, const std::wstring& target);
void ScheduleDeleteOnReboot(const std::wstring& fileName);
// Deletes the file; a locked one is moved aside to a temporary name and deleted at the next restart.
void DeleteFileOrPostpone(const std::wstring& fileName);
void RunAndWait(const std::wstring& commandLine);
