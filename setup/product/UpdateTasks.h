#pragma once
// Single steps that clean up or migrate something of an earlier installation.
// A task may add files to the deletion list it gets, or take entries out.
#include <string>

class TZORStringList;
struct TSetupProfileInfo;

class TSetupUpdateTask {
public:
  virtual ~TSetupUpdateTask() = default;
  virtual void Execute(TZORStringList* deletions) = 0;
};

class TSetupUpdateTaskRemoveShellMenu : public TSetupUpdateTask {
public:
  void Execute(TZORStringList* deletions) override;
};

class TSetupUpdateTaskRemoveFromRegistry : public TSetupUpdateTask {
public:
  void Execute(TZORStringList* deletions) override;
};

class TSetupUpdateTaskRemoveUninstallInfo : public TSetupUpdateTask {
public:
  void Execute(TZORStringList* deletions) override;
};

class TSetupUpdateTaskRemoveShortcuts : public TSetupUpdateTask {
public:
  void Execute(TZORStringList* deletions) override;
};

class TSetupUpdateTaskUpdateConfigs : public TSetupUpdateTask {
public:
  explicit TSetupUpdateTaskUpdateConfigs(const TSetupProfileInfo& profile) : FProfile(profile) {}
  void Execute(TZORStringList* deletions) override;
  // The two skins of versions before 4.50, in the program's "Skins" folder.
  static constexpr const wchar_t* ObsoleteSkins[2] = {L"QOLT3 Default.qsk", L"QOLT3 Silver.qsk"};

private:
  const TSetupProfileInfo& FProfile;
};

// Adds every existing file below the folder to the list.
void DoDeleteDir(TZORStringList& list, const std::wstring& folder);
