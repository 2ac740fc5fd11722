#include "zor/base/XML.h"

#include <gtest/gtest.h>

#include <random>

#include "zor/base/Streams.h"
#include "zor/base/XMLReader.h"

namespace {
std::unique_ptr<TZORXMLDocument> Load(const std::string& bytes) {
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), bytes.size());
  m.SetPosition(0);
  auto doc = std::make_unique<TZORXMLDocument>();
  doc->LoadFromStream(m);
  return doc;
}

std::string Save(TZORXMLDocument& doc, uint32_t settings) {
  TMemoryStream m;
  doc.SaveToStream(m, settings);
  return std::string(reinterpret_cast<const char*>(m.Memory()), m.Size());
}

// A compact picture of a tree: name[attrs]{value}(children).
std::wstring Shape(const TZORXMLNode& n) {
  std::wstring s = n.NodeName;
  for (const auto& a : n.Attributes) s += L"[" + a.Name + L"=" + a.Value + L"]";
  if (!n.NodeValue.empty()) s += L"{" + n.NodeValue + L"}";
  if (n.Count()) {
    s += L"(";
    for (int i = 0; i < n.Count(); ++i) s += (i ? L"," : L"") + Shape(*n.SubNodes(i));
    s += L")";
  }
  return s;
}

std::string UTF16(const std::wstring& s, bool bigEndian) {
  std::string out;
  for (wchar_t c : s) {
    char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}
}  // namespace

TEST(XMLText, TreesFromText) {
  const struct {
    std::string In;
    std::wstring Shape;
  } cases[] = {
      {"<a>x<b/>y</a>", L"(a{y}(b))"},
      {"<a><![CDATA[<b>&amp;</b>]]></a>", L"(a{<b>&amp;</b>})"},
      {"<a>&lt;&#65;&#x42;</a>", L"(a{<AB})"},
      {"<a v=\"one\r\ntwo\tthree\"/>", L"(a[v=one two three])"},
      {"<a v='&#10;'/>", L"(a[v=\n])"},
      {"<a>line1\r\nline2\rline3</a>", L"(a{line1\nline2\nline3})"},
      {"<a>  <b/>  </a>", L"(a(b))"},
      {"<a xml:space=\"preserve\">  </a>", L"(a[xml:space=preserve]{  })"},
      {"<a> x </a>", L"(a{ x })"},
      {"<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><!-- c --><?pi data?><a/>", L"(a)"},
      {"<root><open><x/>", L"(root(open(x)))"},         // unclosed: what was read stays
      {"<a/><b/>", L"(a)"},                              // a second root stops the load
      {"<a><!DOCTYPE b></a>", L"(a)"},                   // a DTD inside the root
      {"<a>&nbsp;</a>", L"(a)"},                         // undeclared entity
      {"<ns:a xmlns:ns=\"u\"/>", L"(ns:a[xmlns:ns=u])"},  // names taken whole
      {"", L""},
      {"<a", L""},
      {"\xEF\xBB\xBF<a>\xC3\xA9</a>", L"(a{\u00e9})"},
      {"<a>\xC3\xA9</a>", L"(a{\u00e9})"},
      {"<?xml version=\"1.0\" encoding=\"windows-1251\"?><a>\xE9</a>", L"(a{\u0439})"},
      {"<?xml version=\"1.0\" encoding=\"bogus\"?><a/>", L""},
      {std::string("\x00\x00\x00<", 4), L""},  // UCS-4: not implemented
      {"\x4C\x6F\xA7\x94", L""},               // EBCDIC
  };
  for (const auto& c : cases) EXPECT_EQ(Shape(*Load(c.In)), c.Shape) << c.In;
}

TEST(XMLText, UTF16Forms) {
  std::wstring text = L"<a v=\"\u0444\">t</a>";
  for (const std::string& bytes : {"\xFF\xFE" + UTF16(text, false), UTF16(text, false), "\xFE\xFF" + UTF16(text, true),
                                   UTF16(text, true)})
    EXPECT_EQ(Shape(*Load(bytes)), L"(a[v=\u0444]{t})");
}

TEST(XMLText, ReaderErrorsCarryLineAndPosition) {
  TMemoryStream m;
  std::string bytes = "<a>\n  <b></c></a>";
  m.WriteBuffer(bytes.data(), bytes.size());
  m.SetPosition(0);
  TZORXMLTextReader reader(m, TZORXMLReaderSettings());
  try {
    while (reader.Read()) {
    }
    FAIL();
  } catch (const EZORXMLException& e) {
    EXPECT_EQ(e.LineNumber, 2);
    EXPECT_NE(e.Message().find(L" Line 2, position "), std::wstring::npos) << e.Message();
  }
}

TEST(XMLText, LongDocumentsCrossBlocks) {
  std::string text = "<r>";
  for (int i = 0; i < 3000; ++i) text += "<i n=\"\xC3\xA9" + std::to_string(i) + "\">\xD0\x96</i>\r\n";
  text += "</r>";
  auto doc = Load(text);
  ASSERT_EQ(doc->SubNodes(0)->Count(), 3000);
  EXPECT_EQ(doc->SubNodes(0)->SubNodes(2999)->Attributes.GetValue(L"N"), L"\u00e92999");
  EXPECT_EQ(doc->SubNodes(0)->SubNodes(1234)->NodeValue, L"\u0416");
}

TEST(XMLText, DeepNestingIsRefusedNotFatal) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<d>";
  auto doc = Load(deep);
  int depth = 0;
  for (TZORXMLNode* n = doc.get(); n->Count(); n = n->SubNodes(0)) ++depth;
  EXPECT_GT(depth, 1000);
  EXPECT_LT(depth, 100000);
}

TEST(XMLModel, Operations) {
  TZORXMLDocument doc;
  TZORXMLNode* root = doc.Add(L"setup");
  EXPECT_THROW(doc.Add(L"second"), EZORXMLDocument);
  TZORXMLNode* product = root->Add(L"product");
  root->Add(L"product")->NodeValue = L"second";
  TZORXMLNode* found = nullptr;
  EXPECT_TRUE(root->FindNode(L"PRODUCT", found));
  EXPECT_EQ(found, product);
  EXPECT_EQ(root->FindNode(L"PR\u00d6DUCT"), nullptr);
  EXPECT_FALSE(doc.FindNode({L"setup", L"license"}, found, false));
  EXPECT_EQ(found, nullptr);
  EXPECT_FALSE(doc.FindNode(std::vector<std::wstring>{}, found, true));
  EXPECT_TRUE(doc.FindNode({L"setup", L"license"}, found, true));
  EXPECT_EQ(found->Parent(), root);
  EXPECT_TRUE(doc.IsChild(found));
  EXPECT_FALSE(found->IsChild(root));

  // Re-parenting: ignored onto itself, its parent or a descendant.
  TZORXMLNode* leaf = found->Add(L"leaf");
  found->SetParent(leaf);
  found->SetParent(root);
  EXPECT_EQ(found->Parent(), root);
  found->SetParent(product);
  EXPECT_EQ(found->Parent(), product);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(product->SubNodes(0), found);

  TZORXMLDocument copy;
  copy.Assign(doc);
  EXPECT_TRUE(copy.Equals(doc));
  copy.SubNodes(0)->Attributes.Add(L"a", L"1");
  EXPECT_FALSE(copy.Equals(doc));
  EXPECT_FALSE(doc.Equals(*doc.SubNodes(0)));  // different classes
  EXPECT_EQ(doc.SubNodes(5), nullptr);
}

TEST(XMLBinary, RoundTripsAndFlags) {
  auto doc = Load(
      "<setup v=\"1\"><product><Components><File name=\"$DEST\\QOLT.exe\" lang-family=\"RU\">QOLT.exe</File>"
      "</Components><Settings><S name=\"ProductName\" value=\"QOLT\"/></Settings></product></setup>");
  std::string sxml = Save(*doc, xsBinary);
  ASSERT_EQ(sxml.substr(0, 4), "SXML");
  EXPECT_TRUE(Load(sxml)->Equals(*doc));
  std::string text = Save(*doc, xsText);
  EXPECT_EQ(text.substr(0, 55), "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>");
  EXPECT_NE(text.find("\r\n\t<product>"), std::string::npos);
  EXPECT_TRUE(Load(text)->Equals(*doc));
  EXPECT_TRUE(Load(Save(*doc, xsText | xsTextNoIndent | xsTextNoDeclaration))->Equals(*doc));

  TZORXMLDocument one;
  one.Add(L"File")->Attributes.Add(L"name", L"x");
  std::string bytes = Save(one, xsBinary);
  // magic, length 5, one node: name index 0, flags 0x01, one attribute (index 1, empty value)
  EXPECT_EQ(bytes.substr(12, 5), std::string("\x01\x00\x01\x01\x01", 5));
  EXPECT_EQ(Shape(*Load(bytes)), L"(File[name=x])");
}

TEST(XMLBinary, LegacyForm) {
  std::string b = "BXML";
  auto i32 = [&](int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
  i32(1);
  u16(4);
  b += "root";
  b += '\x07';
  i32(2);
  b += std::string("h\0i\0", 4);
  i32(1);
  u16(1);
  b += "k";
  u16(1);
  b += std::string("v\0", 2);
  i32(1);
  u16(1);
  b += "c";
  b += '\0';
  EXPECT_EQ(Shape(*Load(b)), L"(root[k=v]{hi}(c))");
  std::string two = "BXML";
  int32_t n = 2;
  two.append(reinterpret_cast<const char*>(&n), 4);
  two += std::string("\x01\x00" "a\x00\x01\x00" "b\x00", 8);
  EXPECT_THROW(Load(two), EZORXMLDocument);
}

TEST(XMLBinary, ShortAndDamagedInput) {
  EXPECT_EQ(Load("<a>")->Count(), 0);  // fewer than 4 bytes
  TZORXMLDocument doc;
  TZORXMLNode* r = doc.Add(L"r");
  for (int i = 0; i < 5; ++i) {
    TZORXMLNode* c = r->Add(L"c" + std::to_wstring(i));
    c->NodeValue = L"value";
    c->Attributes.Add(L"a", L"b");
  }
  const std::string sources[] = {Save(doc, xsBinary), Save(doc, xsText)};
  std::mt19937 rng(1);
  int outcomes[3] = {};
  for (const std::string& good : sources) {
    for (size_t cut = 0; cut < good.size(); ++cut) {
      std::string bad = good.substr(0, cut);
      try {
        Load(bad);
        ++outcomes[0];
      } catch (const EReadError&) {
        ++outcomes[1];
      }
    }
    for (int round = 0; round < 2000; ++round) {
      std::string bad = good;
      for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] ^= static_cast<char>(1 << (rng() % 8));
      try {
        Load(bad);
        ++outcomes[0];
      } catch (const EReadError&) {
        ++outcomes[1];
      } catch (const EZORXMLDocument&) {
        ++outcomes[2];
      }
    }
  }
  EXPECT_GT(outcomes[0], 0);
  EXPECT_GT(outcomes[1], 0);
}

TEST(XMLBinary, IndexesOutsideTheDataAreRejected) {
  const std::string cases[] = {
      std::string("SXML\x05\0\0\0\0\0\0\0\x01\x07\x01\x01\x01\x02\x01" "a\x01" "b", 24),  // name index 7 of 2
      std::string("SXML\xFF\0\0\0\0\0\0\0\x01", 13),                                   // section past the end
      std::string("SXML\x02\0\0\0\0\0\0\0\xFF\x7F\x00", 15),                           // count larger than the data
      std::string("BXML\xFF\xFF\xFF\x7F", 8),
  };
  for (const auto& c : cases) EXPECT_THROW(Load(c), EReadError) << c.size();
}
