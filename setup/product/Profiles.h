#pragma once
// Where each user of the player keeps settings, and folder helpers shared by
// the prepare, update and uninstall work.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TZORStringList;

class TSetupProfileHelper {
public:
  // root\QOLT\ (root\QOLT3\ before 4.00); with no root, the portable DestPath\Profile\.
  static std::wstring GetProfilePath(const std::wstring& root, int32_t version);
  static std::wstring GetNewProfilePath(const std::wstring& root);
  static std::wstring GetInstalledProfilePath(const std::wstring& root);
};

struct TSetupProfileInfo {
  std::wstring Name;     // the user, or "SingleUser" for a portable copy
  std::wstring Path;     // the new version's profile folder
  std::wstring OldPath;  // the installed version's profile folder (exists)
};

class TSetupProfileInfoList {
public:
  // Every user whose profile of the installed version exists.
  void Populate();
  int Count() const { return static_cast<int>(FItems.size()); }
  const TSetupProfileInfo& operator[](int index) const { return *FItems[index]; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  void Add(const std::wstring& name, const std::wstring& root);
  std::vector<std::unique_ptr<TSetupProfileInfo>> FItems;
};

class TSetupHelper {
public:
  // Raises "Cannot copy "%s" to "%s"" when the copy fails.
  static void CopyFolder(const std::wstring& source, const std::wstring& target, bool move);
  static void RemoveByPrefix(TZORStringList& list, const std::wstring& prefix);
  static void RemoveFolder(const std::wstring& folder, bool onlyIfEmpty);
};
