#include "setup/core/Actions.h"

#include "setup/core/ExtractHelper.h"
#include "setup/core/Setup.h"
#include "zor/base/Exceptions.h"
#include "zor/base/Strings.h"

void TSetupAction::Run() {
  Execute();
  SetProgress(100);
}

void TSetupAction::SetProgress(int32_t value) {
  if (value == FProgress) return;
  FProgress = value;
  if (OnProgress) OnProgress(*this);
}

void TSetupAction::SetStatusText(const std::wstring& text) { CurrentSetup->NotifyText(ncStatusText, text); }
std::wstring TSetupAction::GetText(std::wstring_view section, std::wstring_view key) {
  return Resources().GetLangText(section, key);
}
std::wstring TSetupAction::GetCommonText(std::wstring_view key) { return GetText(L"Common", key); }
void TSetupAction::ExtractFile(const TSetupScriptFile& entry) { CurrentSetup->ExtractHelper().Extract(entry); }
void TSetupAction::ForceFolder(const std::wstring& folder) { CurrentSetup->ExtractHelper().ForceFolder(folder); }
TSetupProductInfo& TSetupAction::ProductInfo() { return CurrentSetup->ProductInfo(); }
TSetupResources& TSetupAction::Resources() { return CurrentSetup->Resources(); }
TZORIniFile& TSetupAction::Options() { return CurrentSetup->Options; }
TSetupScript& TSetupAction::Script() { return CurrentSetup->Resources().Script; }

int32_t TSetupActionList::AverageProgress() const {
  if (FItems.empty()) return 0;
  int64_t sum = 0;
  for (const auto& a : FItems) sum += a->Progress();
  return static_cast<int32_t>(sum / static_cast<int64_t>(FItems.size()));
}

TSetupThread::TSetupThread() = default;

TSetupThread::~TSetupThread() { Shutdown(); }

TSetupAction* TSetupThread::CurrentAction() {
  std::lock_guard lock(FLock);
  return FCurrentAction;
}

void TSetupThread::PopulateActions() {
  CurrentSetup->ProductInfo().PopulateActions([this](TSetupActionClass cls) {
    std::unique_ptr<TSetupAction> action = cls();
    action->OnProgress = [this](TSetupAction&) { ReportProgress(); };
    Actions.Add(std::move(action));
  });
}

void TSetupThread::ReportProgress() {
  TSetupAction* current = CurrentAction();
  int32_t value = (Actions.AverageProgress() << 16) | ((current ? current->Progress() : 0) & 0xFFFF);
  CurrentSetup->Notify(ncProgress, value);
  CurrentSetup->Notify(ncProgressShown, 0);
}

void TSetupThread::SetCurrentAction(TSetupAction* action) {
  {
    std::lock_guard lock(FLock);
    FCurrentAction = action;
  }
  if (action) ReportProgress();
}

void TSetupThread::TerminateRequested() {
  TZORThread::TerminateRequested();
  std::lock_guard lock(FLock);
  if (FCurrentAction) FCurrentAction->Cancel();
}

void TSetupThread::Execute() {
  try {
    PopulateActions();
    for (int i = 0; i < Actions.Count() && !Terminated(); ++i) {
      SetCurrentAction(&Actions.Items(i));
      Actions.Items(i).Run();
    }
  } catch (const Exception& e) {
    const std::wstring rule(20, L'-');
    std::wstring stack = e.StackTrace();
    while (!stack.empty() && (stack.back() == L'\n' || stack.back() == L'\r')) stack.pop_back();
    TSetup::AddSetupError(e.Message() + L"\r\n" + rule + L"\r\n" + stack + L"\r\n" + rule);
  } catch (const std::exception& e) {
    TSetup::AddSetupError(zoUTF8Decode(e.what()));
  }
  CurrentSetup->Notify(ncFinished, Terminated() ? 1 : 0);
}

void TSetupSummaryBuilder::AddHeader(const std::wstring& text) {
  FPendingHeader = !text.empty() && text.back() == L':' ? text : text + L":";
}

void TSetupSummaryBuilder::AddItem(const std::wstring& text) {
  if (!FPendingHeader.empty()) {
    if (!FText.empty()) FText += L"\r\n";
    FText += FPendingHeader + L"\r\n";
    FPendingHeader.clear();
  }
  FText += L" * " + text + L"\r\n";
}

void TSetupSummaryBuilder::AddHeaderText(std::wstring_view section, std::wstring_view key) {
  AddHeader(CurrentSetup->Resources().GetLangText(section, key));
}

void TSetupSummaryBuilder::AddItemText(std::wstring_view section, std::wstring_view key) {
  AddItem(CurrentSetup->Resources().GetLangText(section, key));
}
