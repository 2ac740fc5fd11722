#pragma once
// The setup script "Install.xml": what to install, the programs offered
// afterwards, the shortcuts, the licence documents and the product's settings.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/StringList.h"

class TStream;
class TZORXMLNode;

class TSetupScriptFile {
public:
  std::wstring Name;
  std::wstring Value;
  std::wstring LangFamily;

  // Value, or else the file-name part of Name.
  std::wstring PackageName() const;
  // True when LangFamily is empty or equals the family ignoring case.
  bool IsForFamily(std::wstring_view family) const;
};

class TSetupScriptGroup {
public:
  TSetupScriptGroup() = default;
  virtual ~TSetupScriptGroup() = default;
  virtual void Load(const TZORXMLNode& element);
  virtual void LoadItem(const TZORXMLNode& element);

  int Count() const { return static_cast<int>(FItems.size()); }
  // Out of range: none.
  TSetupScriptFile* Items(int index) const;
  TSetupScriptFile& Add();
  // The first entry for the family (or for every family).
  bool Find(std::wstring_view family, TSetupScriptFile*& entry) const;
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  std::vector<std::unique_ptr<TSetupScriptFile>> FItems;
};

class TSetupScript {
public:
  TSetupScriptGroup Actions;
  TSetupScriptGroup Components;
  TSetupScriptGroup License;
  TZORStringList Settings;  // name=value lines
  TSetupScriptGroup Shortcuts;

  // Reads the stream as an XML document and walks its first top-level element.
  void Load(TStream& stream);
  // The value of the last line for that name (ignoring case), or "".
  std::wstring ReadSetting(std::wstring_view name) const;
};

struct TSetupFileListItem {
  std::wstring ArchiveName;
  std::wstring FileName;
};

// (file on disk, name inside an archive) pairs for the backup archive.
class TSetupFileList {
public:
  void Add(std::wstring fileName, std::wstring archiveName);
  // Every file below root (given with its trailing backslash), except below
  // excludedPrefix, named archivePrefix + its path relative to root.
  void AddFolder(const std::wstring& root, const std::wstring& excludedPrefix, const std::wstring& archivePrefix);
  // Deletes every item whose file name, without its folder, equals name ignoring case.
  void RemoveByName(std::wstring_view name);
  int Count() const { return static_cast<int>(FItems.size()); }
  const TSetupFileListItem& operator[](int index) const { return FItems[index]; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  std::vector<TSetupFileListItem> FItems;
};
