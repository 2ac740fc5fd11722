#include "setup/resources/Script.h"

#include "setup/core/SystemHelpers.h"
#include "zor/base/XML.h"
#include "zor/utils/FileSystem.h"

std::wstring TSetupScriptFile::PackageName() const {
  return Value.empty() ? zoExtractFileName(Name) : Value;
}

bool TSetupScriptFile::IsForFamily(std::wstring_view family) const {
  return LangFamily.empty() || zoSameText(LangFamily, family);
}

TSetupScriptFile* TSetupScriptGroup::Items(int index) const {
  return index >= 0 && index < Count() ? FItems[index].get() : nullptr;
}

TSetupScriptFile& TSetupScriptGroup::Add() {
  FItems.push_back(std::make_unique<TSetupScriptFile>());
  return *FItems.back();
}

bool TSetupScriptGroup::Find(std::wstring_view family, TSetupScriptFile*& entry) const {
  for (const auto& item : FItems) {
    if (item->IsForFamily(family)) {
      entry = item.get();
      return true;
    }
  }
  entry = nullptr;
  return false;
}

void TSetupScriptGroup::Load(const TZORXMLNode& element) {
  for (int i = 0; i < element.Count(); ++i) LoadItem(*element.SubNodes(i));
  if (element.Count() == 0 && !element.NodeValue.empty()) Add().Name = element.NodeValue;
}

void TSetupScriptGroup::LoadItem(const TZORXMLNode& element) {
  if (!zoSameText(element.NodeName, L"File")) return;
  TSetupScriptFile& entry = Add();
  entry.Value = element.NodeValue;
  entry.Name = element.Attributes.GetValue(L"name");
  entry.LangFamily = element.Attributes.GetValue(L"lang-family");
}

void TSetupScript::Load(TStream& stream) {
  TZORXMLDocument doc(stream);
  TZORXMLNode* root = doc.SubNodes(0);
  if (!root) return;
  TZORXMLNode* license = nullptr;
  if (root->FindNode({L"setup", L"license"}, license, false)) License.Load(*license);
  TZORXMLNode* product = root->FindNode(L"product");
  if (!product) return;
  for (int i = 0; i < product->Count(); ++i) {
    const TZORXMLNode& child = *product->SubNodes(i);
    if (zoSameText(child.NodeName, L"Components")) Components.Load(child);
    if (zoSameText(child.NodeName, L"Actions")) Actions.Load(child);
    if (zoSameText(child.NodeName, L"Settings")) {
      for (int k = 0; k < child.Count(); ++k) {
        const TZORXMLNode& s = *child.SubNodes(k);
        Settings.Add(s.Attributes.GetValue(L"name") + L"=" + s.Attributes.GetValue(L"value"));
      }
    }
    if (zoSameText(child.NodeName, L"Shortcuts")) Shortcuts.Load(child);
  }
}

std::wstring TSetupScript::ReadSetting(std::wstring_view name) const {
  int i = Settings.IndexOfName(name);
  return i < 0 ? std::wstring() : Settings.ValueFromIndex(i);
}

void TSetupFileList::Add(std::wstring fileName, std::wstring archiveName) {
  FItems.push_back({std::move(archiveName), std::move(fileName)});
}

void TSetupFileList::AddFolder(const std::wstring& root, const std::wstring& excludedPrefix,
                               const std::wstring& archivePrefix) {
  TZORStringList files;
  TFileSearchHelper::Search(root, excludedPrefix, files);
  for (const auto& f : files) Add(f.S, archivePrefix + f.S.substr(std::min(root.size(), f.S.size())));
}

void TSetupFileList::RemoveByName(std::wstring_view name) {
  for (size_t i = FItems.size(); i-- > 0;)
    if (zoSameText(zoExtractFileName(FItems[i].FileName), name)) FItems.erase(FItems.begin() + i);
}
