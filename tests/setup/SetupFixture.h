#pragma once
// Builds setups for the tests: packages made in-process and put into a copy of
// a small executable as the resources "SETUP" and "PRODUCT".
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "setup/core/Setup.h"
#include "setup/core/package/Package.h"
#include "tests/TestUtil.h"
#include "zor/utils/FileSystem.h"

using TTestFiles = std::map<std::wstring, std::string>;

inline std::string TestPackage(const TTestFiles& files) {
  TSetupPackageBuilder builder;
  for (const auto& [name, bytes] : files) {
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    m.SetPosition(0);
    builder.Add(m, name);
  }
  TMemoryStream out;
  builder.Commit(out, 1);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

inline std::wstring TestChildPath() { return zoSelfPath() + L"..\\helpers\\test_child.exe"; }

// Writes exe (a copy of the test child) carrying the two packages; empty maps leave a resource out.
inline void MakeSetupExe(const std::wstring& exe, const TTestFiles& setup, const TTestFiles& product) {
  CopyFileW(TestChildPath().c_str(), exe.c_str(), FALSE);
  HANDLE update = BeginUpdateResourceW(exe.c_str(), FALSE);
  const std::pair<const wchar_t*, const TTestFiles*> parts[] = {{L"SETUP", &setup}, {L"PRODUCT", &product}};
  for (const auto& [name, files] : parts) {
    if (files->empty()) continue;
    std::string bytes = TestPackage(*files);
    UpdateResourceW(update, MAKEINTRESOURCEW(10), name, 0, bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  EndUpdateResourceW(update, FALSE);
}

// The usual test data: a script with a product name, English and German texts.
inline TTestFiles TestSetupData(const std::string& settings = "<S name=\"ProductName\" value=\"QOLT\"/>") {
  return {
      {L"Install.xml", "<install><setup><license><File lang-family=\"EN\" name=\"License_EN.rtf\"/>"
                       "<File lang-family=\"DE\" name=\"License_DE.rtf\"/></license></setup><product><Settings>" +
                           settings + "</Settings><Actions><File name=\"$DEST\\QOLT.exe\">Start QOLT</File></Actions>"
                                      "</product></install>"},
      {L"English.lng", "[File]\r\nName=English\r\nLangId=1033\r\nFamily=EN\r\n[Common]\r\nE4=Setup was stopped.\r\n"
                       "A1=Closing $NAME\r\nOnlyEnglish=kept\r\n"},
      {L"German.lng", "[File]\r\nName=Deutsch\r\nLangId=1031\r\nFamily=DE\r\n[Common]\r\nA1=$NAME wird beendet\r\n"},
      {L"License_EN.rtf", "{\\rtf1 English}"},
      {L"License_DE.rtf", "{\\rtf1 Deutsch}"},
  };
}

// An open module of a built setup, for TSetupEnvironment.
class TTestSetupModule {
public:
  TTestSetupModule(const std::wstring& exe) : Exe(exe) {
    Module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  ~TTestSetupModule() {
    if (Module) FreeLibrary(Module);
  }
  TSetupEnvironment Environment() const { return {Module, Exe}; }
  std::wstring Exe;
  HMODULE Module = nullptr;
};
