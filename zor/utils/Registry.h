#pragma once
// Thin registry access with an explicit view; a missing key or value is never an error.
#include <windows.h>

#include <string>
#include <vector>

#include "zor/utils/Handles.h"

enum class TZORRegView { rv64, rv32 };

class TZORRegKey {
public:
  // Read access; an empty key when it is missing.
  static TZORRegKey OpenRead(HKEY root, const std::wstring& path, TZORRegView view = TZORRegView::rv64);
  // Read and write; when that fails and create is set, the key is created.
  static TZORRegKey OpenWrite(HKEY root, const std::wstring& path, bool create, TZORRegView view = TZORRegView::rv64);
  // Deletes the key and everything below it; true when the key itself went.
  static bool DeleteTree(HKEY root, const std::wstring& path, TZORRegView view = TZORRegView::rv64);

  explicit operator bool() const { return static_cast<bool>(FKey); }
  HKEY Get() const { return FKey.Get(); }
  // Plain or expandable strings (unexpanded); "" for anything else.
  std::wstring ReadString(const std::wstring& name) const;
  bool ReadInteger(const std::wstring& name, uint32_t& value) const;
  bool ValueExists(const std::wstring& name) const;
  bool WriteString(const std::wstring& name, const std::wstring& value) const;
  bool WriteInteger(const std::wstring& name, uint32_t value) const;
  bool DeleteValue(const std::wstring& name) const;
  std::vector<std::wstring> SubKeys() const;

private:
  TZORKey FKey;
};
