#pragma once
// Actions (one step of a run each), the list that owns them, the worker thread
// that runs them in order, and the ready-page summary they describe themselves into.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Threads.h"

class TSetupProductInfo;
class TSetupResources;
class TSetupScript;
class TSetupScriptFile;
class TZORIniFile;
class TSetupSummaryBuilder;

class TSetupAction {
public:
  TSetupAction() = default;
  TSetupAction(const TSetupAction&) = delete;
  TSetupAction& operator=(const TSetupAction&) = delete;
  virtual ~TSetupAction() = default;

  virtual void Execute() = 0;
  virtual void BuildSummary(TSetupSummaryBuilder& builder) {}
  virtual void Cancel() {}

  int32_t Progress() const { return FProgress; }
  std::function<void(TSetupAction&)> OnProgress;

  // Execute, then progress 100.
  void Run();
  void SetProgress(int32_t value);
  void SetStatusText(const std::wstring& text);
  std::wstring GetText(std::wstring_view section, std::wstring_view key);
  std::wstring GetCommonText(std::wstring_view key);
  // Writes one script entry to its target; creates a folder (both raise on failure).
  void ExtractFile(const TSetupScriptFile& entry);
  void ForceFolder(const std::wstring& folder);
  TSetupProductInfo& ProductInfo();
  TSetupResources& Resources();
  TZORIniFile& Options();
  TSetupScript& Script();

private:
  int32_t FProgress = 0;
};

class TSetupActionList {
public:
  void Add(std::unique_ptr<TSetupAction> action) { FItems.push_back(std::move(action)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TSetupAction& Items(int index) const { return *FItems[index]; }
  // The mean of the actions' progress, truncated; 0 for an empty list.
  int32_t AverageProgress() const;

private:
  std::vector<std::unique_ptr<TSetupAction>> FItems;
};

class TSetupThread : public TZORThread {
public:
  TSetupThread();
  ~TSetupThread() override;
  TSetupActionList Actions;
  void TerminateRequested() override;
  TSetupAction* CurrentAction();

protected:
  void Execute() override;
  virtual void PopulateActions();
  void ReportProgress();
  void SetCurrentAction(TSetupAction* action);

private:
  std::mutex FLock;
  TSetupAction* FCurrentAction = nullptr;
};

class TSetupSummaryBuilder {
public:
  void AddHeader(const std::wstring& text);
  void AddItem(const std::wstring& text);
  void AddHeaderText(std::wstring_view section, std::wstring_view key);
  void AddItemText(std::wstring_view section, std::wstring_view key);
  const std::wstring& ToString() const { return FText; }

private:
  std::wstring FText;
  std::wstring FPendingHeader;
};
