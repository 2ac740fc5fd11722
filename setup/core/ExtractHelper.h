#pragma once
// Writes script file entries to their targets, deciding what happens with a
// target that is locked or already identical.
#include <memory>
#include <string>

class TSetupScriptFile;
class TStream;
class TZORBufferedFileStream;

class TSetupExtractHelper {
public:
  virtual ~TSetupExtractHelper() = default;
  // Raises EInstallerInstallError: the target path, a line break and the cause.
  virtual void Extract(const TSetupScriptFile& entry);
  // Raises EInstallerInstallError ("Common"/"E3") when the folder cannot be made.
  virtual void ForceFolder(const std::wstring& folder);
  // A stream on the target, or false when the file is to be skipped (identical,
  // or the user chose to ignore it); raises when the user aborts.
  virtual bool CreateTargetStream(const std::wstring& target, TStream& source,
                                  std::unique_ptr<TZORBufferedFileStream>& stream);
  // The target of an entry: expanded, cleaned, and refused when it lies outside
  // the destination and outside the folders the macros name.
  std::wstring TargetOf(const TSetupScriptFile& entry);
};
