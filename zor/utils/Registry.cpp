#include "zor/utils/Registry.h"

namespace {
REGSAM ViewFlag(TZORRegView view) { return view == TZORRegView::rv32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }
}  // namespace

TZORRegKey TZORRegKey::OpenRead(HKEY root, const std::wstring& path, TZORRegView view) {
  TZORRegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | ViewFlag(view), key.FKey.Put()) != ERROR_SUCCESS) key.FKey.Release();
  return key;
}

TZORRegKey TZORRegKey::OpenWrite(HKEY root, const std::wstring& path, bool create, TZORRegView view) {
  TZORRegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE | ViewFlag(view), key.FKey.Put()) == ERROR_SUCCESS)
    return key;
  key.FKey.Release();
  if (create && RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr,
                                key.FKey.Put(), nullptr) != ERROR_SUCCESS)
    key.FKey.Release();
  return key;
}

std::wstring TZORRegKey::ReadString(const std::wstring& name) const {
  if (!FKey) return {};
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  value.resize(size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

bool TZORRegKey::ReadInteger(const std::wstring& name, uint32_t& value) const {
  DWORD type = 0, data = 0, size = sizeof data;
  if (!FKey || RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
                   ERROR_SUCCESS ||
      type != REG_DWORD)
    return false;
  value = data;
  return true;
}

bool TZORRegKey::ValueExists(const std::wstring& name) const {
  return FKey && RegQueryValueExW(FKey.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TZORRegKey::WriteString(const std::wstring& name, const std::wstring& value) const {
  return FKey && RegSetValueExW(FKey.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TZORRegKey::WriteInteger(const std::wstring& name, uint32_t value) const {
  DWORD data = value;
  return FKey && RegSetValueExW(FKey.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                sizeof data) == ERROR_SUCCESS;
}

bool TZORRegKey::DeleteValue(const std::wstring& name) const {
  return FKey && RegDeleteValueW(FKey.Get(), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TZORRegKey::SubKeys() const {
  std::vector<std::wstring> names;
  if (!FKey) return names;
  wchar_t buf[261];
  for (DWORD i = 0;; ++i) {
    DWORD len = 261;
    LONG r = RegEnumKeyExW(FKey.Get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_MORE_DATA) continue;
    if (r != ERROR_SUCCESS) break;
    names.emplace_back(buf, len);
  }
  return names;
}

bool TZORRegKey::DeleteTree(HKEY root, const std::wstring& path, TZORRegView view) {
  {
    TZORRegKey key = OpenWrite(root, path, false, view);
    if (!key) return false;
    // Every subkey name fits (255 characters at most), so none is left behind.
    DWORD count = 0;
    RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    for (DWORD i = count; i-- > 0;) {
      wchar_t name[256];
      DWORD len = 256;
      if (RegEnumKeyExW(key.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        DeleteTree(root, path + L"\\" + std::wstring(name, len), view);
    }
  }
  return RegDeleteKeyExW(root, path.c_str(), ViewFlag(view), 0) == ERROR_SUCCESS;
}
