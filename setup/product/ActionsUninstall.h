#pragma once
// Closing running copies of the player, and the uninstaller's two actions.
#include <memory>
#include <string>
#include <vector>

#include "setup/core/Actions.h"
#include "setup/product/UpdateTasks.h"

class TZORStringList;

class TSetupActionCloseApplications : public TSetupAction {
public:
  static constexpr const wchar_t* WindowClasses[7] = {L"TQOLT2EditorForm", L"TQOLT2MainW",      L"TQOLT3MainWindow",
                                                      L"TQOLTATEForm",     L"TQOLTConverterMainForm", L"TQOLTLibMainForm",
                                                      L"TQOLTMainForm"};
  void Execute() override;
};

class TSetupActionUninstallIntegration : public TSetupAction {
public:
  TSetupActionUninstallIntegration();
  void Execute() override;

private:
  std::vector<std::unique_ptr<TSetupUpdateTask>> FTasks;
};

class TSetupActionUninstallFiles : public TSetupAction {
public:
  struct TFolder {
    std::wstring Path;  // with trailing backslash
    bool Tree;          // the whole tree; otherwise only when empty
  };
  void Execute() override;
  // The installed files of Uninstall.ini below DestPath, each once; entries that
  // would lie outside it, or reach it through a link, are left out.
  static std::vector<std::wstring> CreateFileList();
  static std::vector<TFolder> CreateDirsList();
};
