#pragma once
// Processes, windows, the OS version and small system facts.
#include <cstdint>
#include <string>

class TStream;

enum TZORProcessFlag : uint32_t { pfWait = 1, pfShow = 2 };

class TZORProcess {
public:
  // Starts the command line; with pfWait waits for the end (moving the child's
  // output and error to the streams when given). False when it did not start
  // or its window did not become idle within 5 s.
  static bool Execute(const std::wstring& commandLine, uint32_t flags, TStream* output = nullptr,
                      TStream* error = nullptr, uint32_t* exitCode = nullptr);
};

// The first top-level window of the class, or none.
void* zoFindWindow(const std::wstring& className);
bool zoGetWindowExeName(void* window, std::wstring& exeName);

struct TZOROSVersion {
  uint32_t Major = 0, Minor = 0, Build = 0;
};
// The real running version (not the one a compatibility layer reports).
TZOROSVersion zoGetOSVersion();
// Tests replace the version source; nullptr restores the system's.
using TZOROSVersionSource = TZOROSVersion (*)();
void zoSetOSVersionSource(TZOROSVersionSource source);
// Later than major.minor, or equal with at least the build (negative = any).
bool zoCheckWindowsVersion(int major, int minor, int build = -1);

bool zoIsWine();
std::wstring zoCreateGUIDString();
// Loads a DLL with its own folder current and critical-error prompts off.
void* zoLoadLibraryFromFolder(const std::wstring& fileName, uint32_t flags = 0);

// A hidden window on the window thread whose messages go to the handler
// (message-only when asked). Raises EInvalidOperation on any other thread.
#include <functional>
using TZORWindowHandler = std::function<intptr_t(void* window, unsigned message, uintptr_t wParam, intptr_t lParam)>;
void* zoCreateMessageWindow(const std::wstring& className, TZORWindowHandler handler, bool messageOnly = true);
void zoDestroyMessageWindow(void* window);

// The user's UI language (tests may replace the source; nullptr restores the system's).
using TZORLanguageSource = uint16_t (*)();
uint16_t zoGetUserUILanguage();
void zoSetUserUILanguageSource(TZORLanguageSource source);

// The system's message box (until the skinned dialog exists).
int zoMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags);
