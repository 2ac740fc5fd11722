#include "setup/core/ExtractHelper.h"

#include <windows.h>

#include "setup/core/Errors.h"
#include "setup/core/Setup.h"
#include "zor/base/Hashes.h"
#include "zor/base/Threads.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

std::wstring TSetupExtractHelper::TargetOf(const TSetupScriptFile& entry) {
  TSetup& setup = *CurrentSetup;
  TSetupResources& r = setup.Resources();
  std::wstring target = r.ExpandPath(entry.Name);
  // "." pieces are resolved before the check, so nothing can step outside.
  std::wstring full = zoFullPathName(target);
  for (const std::wstring& root : {setup.DestPath(), r.DesktopPath, r.StartMenuPath, r.ProgramFilesPath, zoTempPath()})
    if (!root.empty() && zoIsPathInside(full, root) && !zoSameText(zoIncludeTrailingPathDelimiter(full), root))
      return target;
  throw EInstallerInstallError(target + L"\r\nThe target lies outside the destination folder.");
}

void TSetupExtractHelper::ForceFolder(const std::wstring& folder) {
  if (!zoForceDirectories(folder))
    throw EInstallerInstallError(zoFormat(CurrentSetup->Resources().GetLangText(L"Common", L"E3"), folder));
}

bool TSetupExtractHelper::CreateTargetStream(const std::wstring& target, TStream& source,
                                             std::unique_ptr<TZORBufferedFileStream>& stream) {
  stream = zoTryCreateFileForWriting(target);
  if (stream) return true;
  TZORHashMD5::State a, b;
  std::wstring existing, packed;
  try {
    TZORHashMD5::Initialize(a);
    TZORHashMD5::UpdateFromFile(a, target);
    existing = TZORHashMD5::Finalize(a);
  } catch (const Exception&) {
    existing.clear();
  }
  source.SetPosition(0);
  TZORHashMD5::Initialize(b);
  TZORHashMD5::UpdateFromStream(b, source);
  packed = TZORHashMD5::Finalize(b);
  if (!existing.empty() && zoSameText(existing, packed)) return false;
  zoMoveFile(target, target + L".bak");
  for (;;) {
    stream = zoTryCreateFileForWriting(target);
    if (stream) return true;
    int answer = 0;
    std::wstring question = zoFormat(CurrentSetup->Resources().GetLangText(L"Common", L"QM2"), target);
    zoSynchronize([&] { answer = zoMessageBox(question, L"", 0x132); });
    if (answer == IDRETRY) continue;
    if (answer == IDABORT)
      throw EInstallerInstallError(zoFormat(CurrentSetup->Resources().GetLangText(L"Common", L"E1"), target));
    return false;
  }
}

void TSetupExtractHelper::Extract(const TSetupScriptFile& entry) {
  std::wstring target = TargetOf(entry);
  try {
    ForceFolder(zoExtractFilePath(target));
    // Written straight from the decoded package: no copy of the file in between.
    const uint8_t* data;
    int64_t size;
    CurrentSetup->Resources().ViewFile(entry.PackageName(), data, size);
    TZORReadOnlyMemoryStream source(data, size);
    std::unique_ptr<TZORBufferedFileStream> out;
    if (CreateTargetStream(target, source, out)) {
      out->WriteBuffer(data, size);
      out->Flush();
    }
  } catch (const Exception& e) {
    throw EInstallerInstallError(target + L"\r\n" + e.Message());
  }
}
