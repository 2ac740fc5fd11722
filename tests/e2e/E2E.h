#pragma once
// Runs built setups as a user would and reads the "Setup" message box from the
// window tree (its text, then its OK button).
#include <windows.h>

#include <map>
#include <string>

#include "setup/core/SystemHelpers.h"
#include "tests/TestUtil.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Registry.h"
#include "zor/utils/Shell.h"

inline std::wstring BuildPath(const std::wstring& relative) { return zoExpandFileName(zoSelfPath() + L"..\\..\\" + relative); }
inline std::wstring SetupStub() { return BuildPath(L"setup\\Setup.exe"); }
inline std::wstring SetupBuilderExe() { return BuildPath(L"tools\\setup-builder\\SetupBuilder.exe"); }
inline std::wstring SampleSetup() { return BuildPath(L"sample\\QOLTSetup.exe"); }
inline std::wstring SampleProduct() { return BuildPath(L"sample\\product\\"); }

// What a sample install leaves outside its folder goes too: the entry, shortcuts, registration.
inline void RemoveInstallation(const std::wstring& folder) {
  zoDeleteDirectory(folder, true);
  TSetupAppRepo::Unregister(L"QOLT");
  zoDeleteFile(zoGetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY_) + L"QOLT.lnk");
  zoDeleteDirectory(zoGetSpecialFolderPath(CSIDL_COMMON_PROGRAMS_) + L"QOLT\\", true);
  TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\QOLT");
}

// Writes files below a folder (names may hold sub-folders).
inline void WriteTree(const std::wstring& root, const std::map<std::wstring, std::string>& files) {
  for (const auto& [name, bytes] : files) {
    zoForceDirectoriesForFile(root + name);
    WriteFileBytes(root + name, bytes);
  }
}

// SetupBuilder build; true on success.
inline bool BuildSetup(const std::wstring& setupFolder, const std::wstring& productFolder, const std::wstring& out) {
  uint32_t code = 1;
  return TZORProcess::Execute(L"\"" + SetupBuilderExe() + L"\" build --stub \"" + SetupStub() + L"\" --setup \"" +
                                  setupFolder + L"\" --product \"" + productFolder + L"\" --out \"" + out + L"\"",
                              pfWait, nullptr, nullptr, &code) &&
         code == 0;
}

struct TWindowFind {
  DWORD Pid;
  HWND Box = nullptr;       // the "Setup" message box
  HWND Question = nullptr;  // a message box without caption (the file-in-use question)
  bool AnyVisible = false;
};

inline BOOL CALLBACK FindSetupWindows(HWND hwnd, LPARAM lp) {
  auto* find = reinterpret_cast<TWindowFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != find->Pid) return TRUE;
  wchar_t cls[64] = {}, title[64] = {};
  GetClassNameW(hwnd, cls, 64);
  GetWindowTextW(hwnd, title, 64);
  if (IsWindowVisible(hwnd)) find->AnyVisible = true;
  if (std::wstring(cls) == L"#32770" && std::wstring(title) == L"Setup") find->Box = hwnd;
  if (std::wstring(cls) == L"#32770" && title[0] == 0) find->Question = hwnd;
  return TRUE;
}

struct TSetupRun {
  bool Ended = false;        // the process ended by itself within the time
  bool Box = false;          // a "Setup" box appeared
  std::wstring BoxText;      // its text
  bool SawWindow = false;    // any visible window of the process
  std::wstring Question;     // the text of a question that was answered
};

// Starts the program; answers a question with questionAnswer and the first
// "Setup" box with OK; waits for the end.
inline TSetupRun RunSetup(const std::wstring& exe, const std::wstring& args, int timeoutMs = 60000,
                          int questionAnswer = IDABORT) {
  TSetupRun run;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\" " + args;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    TWindowFind find{pi.dwProcessId};
    EnumWindows(FindSetupWindows, reinterpret_cast<LPARAM>(&find));
    run.SawWindow = run.SawWindow || find.AnyVisible;
    wchar_t text[8192] = {};
    // A box is answered once its text has been read (it may still be filling in).
    if (find.Question && run.Question.empty() && GetDlgItemTextW(find.Question, 0xFFFF, text, 8192) > 0) {
      run.Question = text;
      PostMessageW(find.Question, WM_COMMAND, questionAnswer, 0);
    }
    if (find.Box && !run.Box && GetDlgItemTextW(find.Box, 0xFFFF, text, 8192) > 0) {
      run.Box = true;
      run.BoxText = text;
      PostMessageW(find.Box, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) {
      run.Ended = true;
      break;
    }
  }
  if (!run.Ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return run;
}
