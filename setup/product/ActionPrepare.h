#pragma once
// Clears the ground before the files are written: backs the installation and
// the users' profiles up into "!Backup", keeps three archives, runs the update
// tasks, and deletes what is replaced or obsolete.
#include <memory>
#include <string>
#include <vector>

#include "setup/core/Actions.h"
#include "setup/product/Profiles.h"
#include "setup/product/UpdateTasks.h"

class TSetupFileList;

class TSetupActionPrepare : public TSetupAction {
public:
  void Execute() override;
  void BuildSummary(TSetupSummaryBuilder& builder) override;

  // Folder names under "Plugins\" of older versions.
  static constexpr const wchar_t* PluginsBefore4002[5] = {L"AudioOld\\", L"Lyrics3\\", L"Radio3\\", L"VisualsLegacy\\",
                                                          L"Tags3\\"};
  static constexpr const wchar_t* PluginsBefore4699 = L"CDRipper\\";
  static constexpr const wchar_t* PluginsBefore5030 = L"VideoDXVA\\";
  static constexpr const wchar_t* PluginsAlways[3] = {L"Updater\\", L"Toolbar\\", L"Telemetry\\"};
  static constexpr const wchar_t* NeverArchived[5] = {L"AlbumArts.cache", L"AlbumArts.db", L"AlbumArtsCache.db",
                                                      L"AlbumArtCache.db", L"UpdateInstaller.exe"};
  // "z Before install 5.50 [2026.12.11 10-20-30].zip"
  static std::wstring BackupName(const std::wstring& version);

private:
  void Backup(TZORStringList& deletions);
  void WriteArchive(const TSetupFileList& files);
  void Step();
  TSetupProfileInfoList FProfiles;
  std::vector<std::unique_ptr<TSetupUpdateTask>> FTasks;
  int FDone = 0;
  int FTotal = 0;
};
