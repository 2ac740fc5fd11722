#include "setup/resources/Script.h"

#include <gtest/gtest.h>

#include "tests/TestUtil.h"
#include "zor/base/Streams.h"
#include "zor/utils/FileSystem.h"

namespace {
std::unique_ptr<TSetupScript> Load(const std::string& xml) {
  TMemoryStream m;
  m.WriteBuffer(xml.data(), xml.size());
  m.SetPosition(0);
  auto script = std::make_unique<TSetupScript>();
  script->Load(m);
  return script;
}

std::wstring Entries(const TSetupScriptGroup& group) {
  std::wstring s;
  for (const auto& e : group) s += L"<" + e->Name + L"|" + e->Value + L"|" + e->LangFamily + L"|" + e->PackageName() + L">";
  return s;
}
}  // namespace

TEST(SetupScript, ReadsEveryGroup) {
  auto script = Load(R"(<?xml version="1.0" encoding="utf-8"?>
<install>
  <setup><license>
    <File lang-family="EN">License_EN.rtf</File>
    <File lang-family="DE">License_DE.rtf</File>
  </license></setup>
  <PRODUCT>
    <Components>
      <File name="$DEST\QOLT.exe">QOLT.exe</File>
      <File name="$DEST\Plugins\Audio\mp3.dll"></File>
      <Note>ignored</Note>
    </Components>
    <components><File lang-family="RU" name="$DEST\Langs\Russian.lng"/></components>
    <Actions><File name="$DEST\QOLT.exe">Start QOLT</File></Actions>
    <Shortcuts>$DESKTOP\QOLT.lnk</Shortcuts>
    <Settings>
      <Item name="ProductName" value="QOLT"/>
      <Item name="productname" value="QOLT Player"/>
      <Other value="no name"/>
    </Settings>
  </PRODUCT>
  <product><Components><File name="second product is not read"/></Components></product>
</install>)");
  EXPECT_EQ(Entries(script->Components),
            L"<$DEST\\QOLT.exe|QOLT.exe||QOLT.exe><$DEST\\Plugins\\Audio\\mp3.dll|||mp3.dll>"
            L"<$DEST\\Langs\\Russian.lng||RU|Russian.lng>");
  EXPECT_EQ(Entries(script->Actions), L"<$DEST\\QOLT.exe|Start QOLT||Start QOLT>");
  EXPECT_EQ(Entries(script->Shortcuts), L"<$DESKTOP\\QOLT.lnk|||QOLT.lnk>");
  EXPECT_EQ(script->ReadSetting(L"PRODUCTNAME"), L"QOLT Player");
  EXPECT_EQ(script->ReadSetting(L"Publisher"), L"");
  EXPECT_EQ(script->Settings.Items(2), L"=no name");

  TSetupScriptFile* entry = nullptr;
  ASSERT_TRUE(script->License.Find(L"de", entry));
  EXPECT_EQ(entry->Value, L"License_DE.rtf");
  EXPECT_FALSE(script->License.Find(L"RU", entry));
  EXPECT_TRUE(script->Components.Items(0)->IsForFamily(L"RU"));
  EXPECT_FALSE(script->Components.Items(2)->IsForFamily(L"DE"));
  ASSERT_TRUE(script->Components.Find(L"DE", entry));
  EXPECT_EQ(entry, script->Components.Items(0));
}

TEST(SetupScript, MissingAndDamagedParts) {
  const struct {
    std::string Xml;
    int Components, License;
  } cases[] = {
      {"<r><product><Components><File name=\"a\"/></Components></product></r>", 1, 0},
      {"<r><setup/><product/></r>", 0, 0},
      {"<r><setup><license>one.rtf</license></setup></r>", 0, 1},
      {"<r><product><Components><File name=\"a\"/><File name=\"b\"", 1, 0},  // damaged: partial tree
      {"", 0, 0},
      {"not xml at all", 0, 0},
  };
  for (const auto& c : cases) {
    auto script = Load(c.Xml);
    EXPECT_EQ(script->Components.Count(), c.Components) << c.Xml;
    EXPECT_EQ(script->License.Count(), c.License) << c.Xml;
  }
}

TEST(SetupFileList, RemoveByName) {
  TSetupFileList list;
  list.Add(L"C:\\QOLT\\QOLT.ini", L"Program\\QOLT.ini");
  list.Add(L"C:\\QOLT\\Skins\\qolt.INI", L"Program\\Skins\\qolt.INI");
  list.Add(L"C:\\QOLT\\QOLT.exe", L"Program\\QOLT.exe");
  list.Add(L"C:\\QOLT\\QOLT.ini.bak", L"Program\\QOLT.ini.bak");
  list.RemoveByName(L"QOLT.ini");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].ArchiveName, L"Program\\QOLT.exe");
  EXPECT_EQ(list[1].FileName, L"C:\\QOLT\\QOLT.ini.bak");
}

TEST(SetupFileList, AddFolderLeavesTheBackupOut) {
  TTestDir dir;
  for (const wchar_t* f : {L"QOLT.exe", L"Skins\\Dark.qsk", L"!Backup\\old.zip"}) {
    zoForceDirectoriesForFile(dir / f);
    WriteFileBytes(dir / f, "x");
  }
  TSetupFileList list;
  list.AddFolder(dir.Path, dir / L"!Backup\\", L"Program\\");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].FileName, dir / L"QOLT.exe");
  EXPECT_EQ(list[0].ArchiveName, L"Program\\QOLT.exe");
  EXPECT_EQ(list[1].ArchiveName, L"Program\\Skins\\Dark.qsk");
}
