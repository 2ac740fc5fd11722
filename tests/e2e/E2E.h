#pragma once
// Runs built setups as a user would and reads the "Setup" message box from the
// window tree (its text, then its OK button).
#include <windows.h>

#include <map>
#include <string>

#include "tests/TestUtil.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

inline std::wstring BuildPath(const std::wstring& relative) { return zoExpandFileName(zoSelfPath() + L"..\\..\\" + relative); }
inline std::wstring SetupStub() { return BuildPath(L"setup\\Setup.exe"); }
inline std::wstring SetupBuilderExe() { return BuildPath(L"tools\\setup-builder\\SetupBuilder.exe"); }

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

struct TBoxFind {
  DWORD Pid;
  HWND Box = nullptr;
};

inline BOOL CALLBACK FindSetupBox(HWND hwnd, LPARAM lp) {
  auto* find = reinterpret_cast<TBoxFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {}, title[64] = {};
  GetClassNameW(hwnd, cls, 64);
  GetWindowTextW(hwnd, title, 64);
  if (pid == find->Pid && std::wstring(cls) == L"#32770" && std::wstring(title) == L"Setup") {
    find->Box = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct TSetupRun {
  bool Ended = false;     // the process ended by itself within the time
  bool Box = false;       // a "Setup" box appeared
  std::wstring BoxText;   // its text
};

// Starts the program; answers the first "Setup" box with OK; waits for the end.
inline TSetupRun RunSetup(const std::wstring& exe, const std::wstring& args, int timeoutMs = 60000) {
  TSetupRun run;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\" " + args;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    TBoxFind find{pi.dwProcessId};
    EnumWindows(FindSetupBox, reinterpret_cast<LPARAM>(&find));
    if (find.Box && !run.Box) {
      run.Box = true;
      wchar_t text[8192] = {};
      GetDlgItemTextW(find.Box, 0xFFFF, text, 8192);
      run.BoxText = text;
      PostMessageW(find.Box, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
      run.Ended = true;
      break;
    }
  }
  if (!run.Ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return run;
}
