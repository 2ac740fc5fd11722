#include "zor/base/XML.h"

#include <algorithm>
#include <unordered_map>

#include "zor/base/Streams.h"
#include "zor/base/XMLReader.h"
#include "zor/base/XMLWriter.h"

// --- attributes -------------------------------------------------------------------

void TZORXMLAttributes::Add(std::wstring name, std::wstring value) { FItems.push_back({std::move(name), std::move(value)}); }

const TZORXMLAttribute* TZORXMLAttributes::Items(int index) const {
  return index >= 0 && index < Count() ? &FItems[index] : nullptr;
}

bool TZORXMLAttributes::Find(std::wstring_view name, const TZORXMLAttribute*& attribute) const {
  for (const auto& a : FItems) {
    if (zoSameTextASCII(a.Name, name)) {
      attribute = &a;
      return true;
    }
  }
  attribute = nullptr;
  return false;
}

bool TZORXMLAttributes::GetValue(std::wstring_view name, std::wstring& value) const {
  const TZORXMLAttribute* a;
  if (!Find(name, a)) return false;
  value = a->Value;
  return true;
}

std::wstring TZORXMLAttributes::GetValue(std::wstring_view name) const {
  std::wstring value;
  GetValue(name, value);
  return value;
}

bool TZORXMLAttributes::Equals(const TZORXMLAttributes& other) const {
  if (Count() != other.Count()) return false;
  for (const auto& a : FItems) {
    bool found = false;
    for (const auto& b : other.FItems) {
      if (a.Name == b.Name) {
        found = a.Value == b.Value;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

// --- nodes --------------------------------------------------------------------------

TZORXMLNode::~TZORXMLNode() {
  // Iteratively, so that a deep tree cannot exhaust the stack.
  std::vector<std::unique_ptr<TZORXMLNode>> pending = std::move(FSubNodes);
  while (!pending.empty()) {
    std::unique_ptr<TZORXMLNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->FSubNodes) pending.push_back(std::move(child));
    node->FSubNodes.clear();
  }
}

TZORXMLNode* TZORXMLNode::AppendChild(std::wstring name) {
  auto node = std::make_unique<TZORXMLNode>(std::move(name));
  node->FParent = this;
  FSubNodes.push_back(std::move(node));
  return FSubNodes.back().get();
}

TZORXMLNode* TZORXMLNode::Add(std::wstring name) { return AppendChild(std::move(name)); }

TZORXMLNode* TZORXMLNode::SubNodes(int index) const {
  return index >= 0 && index < Count() ? FSubNodes[index].get() : nullptr;
}

void TZORXMLNode::Clear() {
  std::vector<std::unique_ptr<TZORXMLNode>> old = std::move(FSubNodes);
  FSubNodes.clear();
  FSubNodes.shrink_to_fit();
  // The destructor of a holder node frees the subtree iteratively.
  TZORXMLNode holder;
  holder.FSubNodes = std::move(old);
}

void TZORXMLNode::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  TZORXMLNode holder;
  holder.FSubNodes.push_back(std::move(FSubNodes[index]));
  FSubNodes.erase(FSubNodes.begin() + index);
}

void TZORXMLNode::Assign(const TZORXMLNode& source) {
  if (&source == this) return;
  Clear();
  // Breadth of the copy is driven by a work list, not recursion.
  std::vector<std::pair<TZORXMLNode*, const TZORXMLNode*>> work{{this, &source}};
  while (!work.empty()) {
    auto [target, from] = work.back();
    work.pop_back();
    target->Attributes.Assign(from->Attributes);
    target->NodeName = from->NodeName;
    target->NodeValue = from->NodeValue;
    for (const auto& child : from->FSubNodes) work.emplace_back(target->Add(child->NodeName), child.get());
  }
}

void TZORXMLNode::SetParent(TZORXMLNode* newParent) {
  if (newParent == this || newParent == FParent || !FParent || IsChild(newParent)) return;
  auto& siblings = FParent->FSubNodes;
  auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& p) { return p.get() == this; });
  if (it == siblings.end()) return;
  std::unique_ptr<TZORXMLNode> self = std::move(*it);
  siblings.erase(it);
  FParent = newParent;
  if (newParent) newParent->FSubNodes.push_back(std::move(self));
  // Without a new parent nobody owns the node any more: it is freed by self.
}

TZORXMLNode* TZORXMLNode::FindNode(std::wstring_view name) const {
  for (const auto& child : FSubNodes)
    if (zoSameTextASCII(child->NodeName, name)) return child.get();
  return nullptr;
}

bool TZORXMLNode::FindNode(std::wstring_view name, TZORXMLNode*& node) const {
  node = FindNode(name);
  return node != nullptr;
}

template <class It>
bool TZORXMLNode::FindPath(It first, It last, TZORXMLNode*& node, bool canCreate) {
  node = nullptr;
  if (first == last) return false;
  TZORXMLNode* current = this;
  for (It it = first; it != last; ++it) {
    TZORXMLNode* next = current->FindNode(*it);
    if (!next) {
      if (!canCreate) return false;
      next = current->Add(std::wstring(*it));
    }
    current = next;
  }
  node = current;
  return true;
}

bool TZORXMLNode::FindNode(std::initializer_list<std::wstring_view> path, TZORXMLNode*& node, bool canCreate) {
  return FindPath(path.begin(), path.end(), node, canCreate);
}

bool TZORXMLNode::FindNode(const std::vector<std::wstring>& path, TZORXMLNode*& node, bool canCreate) {
  return FindPath(path.begin(), path.end(), node, canCreate);
}

bool TZORXMLNode::Equals(const TZORXMLNode& other) const {
  if (typeid(*this) != typeid(other)) return false;
  std::vector<std::pair<const TZORXMLNode*, const TZORXMLNode*>> work{{this, &other}};
  while (!work.empty()) {
    auto [a, b] = work.back();
    work.pop_back();
    if (a->NodeName != b->NodeName || a->NodeValue != b->NodeValue || !a->Attributes.Equals(b->Attributes) ||
        a->Count() != b->Count())
      return false;
    for (int i = 0; i < a->Count(); ++i) work.emplace_back(a->FSubNodes[i].get(), b->FSubNodes[i].get());
  }
  return true;
}

bool TZORXMLNode::IsChild(const TZORXMLNode* node) const {
  for (const TZORXMLNode* p = node ? node->FParent : nullptr; p; p = p->FParent)
    if (p == this) return true;
  return false;
}

// --- document -----------------------------------------------------------------------

TZORXMLDocument::TZORXMLDocument(TStream& stream) { LoadFromStream(stream); }

TZORXMLNode* TZORXMLDocument::Add(std::wstring name) {
  if (Count() > 0 && !MultiRoot) throw EZORXMLDocument(L"Only one Root available");
  return AppendChild(std::move(name));
}

namespace {
// Bounds-checked reading of binary forms; anything outside the data is the stream read error.
class TBinaryCursor {
public:
  TBinaryCursor(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  size_t Left() const { return FSize - FPos; }
  size_t Pos() const { return FPos; }
  void Seek(size_t pos) {
    if (pos > FSize) Fail();
    FPos = pos;
  }
  [[noreturn]] static void Fail() { throw EReadError(SReadError); }
  const uint8_t* Take(size_t n) {
    if (n > Left()) Fail();
    const uint8_t* p = FData + FPos;
    FPos += n;
    return p;
  }
  uint8_t Byte() { return *Take(1); }
  uint16_t U16() {
    const uint8_t* p = Take(2);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  int32_t I32() {
    const uint8_t* p = Take(4);
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
  }
  int64_t I64() {
    uint64_t lo = static_cast<uint32_t>(I32());
    uint64_t hi = static_cast<uint32_t>(I32());
    return static_cast<int64_t>(lo | hi << 32);
  }
  // Unsigned 7-bit groups, least significant first; more than 32 bits is damage.
  uint32_t Varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      uint8_t b = Byte();
      v |= uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80)) {
        if (v > 0x7FFFFFFF) Fail();
        return static_cast<uint32_t>(v);
      }
    }
    Fail();
  }
  // A count of records that each take at least minSize bytes must fit in what is left.
  uint32_t Count(uint32_t count, size_t minSize) {
    if (static_cast<uint64_t>(count) * minSize > Left()) Fail();
    return count;
  }
  std::wstring UTF16(size_t units) {
    if (units > Left() / 2) Fail();
    const uint8_t* p = Take(units * 2);
    std::wstring s(units, L'\0');
    for (size_t i = 0; i < units; ++i) s[i] = static_cast<wchar_t>(p[2 * i] | p[2 * i + 1] << 8);
    return s;
  }
  std::wstring ANSI(size_t bytes) {
    const uint8_t* p = Take(bytes);
    std::wstring s;
    zoTryDecodeText(std::string_view(reinterpret_cast<const char*>(p), bytes), cpANSI, s);
    return s;
  }

private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

constexpr uint8_t kHasAttributes = 0x01, kHasChildren = 0x02, kHasValue = 0x04;
constexpr int kMaxBinaryDepth = 4096;

std::vector<uint8_t> ReadRest(TStream& stream) {
  int64_t left = stream.Size() - stream.Position();
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(0, left)));
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

// Reads node records into parent's children without recursion: each level is
// a pending count of records still to read under one parent.
template <class ReadOne>
void ReadRecords(TZORXMLNode* parent, uint32_t count, ReadOne readOne) {
  struct TLevel {
    TZORXMLNode* Parent;
    uint32_t Left;
  };
  std::vector<TLevel> stack{{parent, count}};
  while (!stack.empty()) {
    if (stack.back().Left == 0) {
      stack.pop_back();
      continue;
    }
    --stack.back().Left;
    uint32_t children = 0;
    TZORXMLNode* node = readOne(stack.back().Parent, children);
    if (children > 0) {
      if (stack.size() >= kMaxBinaryDepth) TBinaryCursor::Fail();
      stack.push_back({node, children});
    }
  }
}

void LoadSXML(TZORXMLDocument& doc, TStream& stream) {
  std::vector<uint8_t> bytes = ReadRest(stream);
  TBinaryCursor in(bytes.data(), bytes.size());
  int64_t sectionLength = in.I64();
  if (sectionLength < 0 || static_cast<uint64_t>(sectionLength) > in.Left()) TBinaryCursor::Fail();
  size_t nodeStart = in.Pos();
  in.Seek(nodeStart + static_cast<size_t>(sectionLength));
  std::vector<std::wstring> strings(in.Count(in.Varint(), 1));
  for (auto& s : strings) s = in.ANSI(in.Varint());
  TBinaryCursor nodes(bytes.data() + nodeStart, static_cast<size_t>(sectionLength));
  auto name = [&]() -> const std::wstring& {
    uint32_t index = nodes.Varint();
    if (index >= strings.size()) TBinaryCursor::Fail();
    return strings[index];
  };
  uint32_t top = nodes.Count(nodes.Varint(), 2);
  ReadRecords(&doc, top, [&](TZORXMLNode* parent, uint32_t& children) {
    TZORXMLNode* node = parent->Add(name());
    uint8_t flags = nodes.Byte();
    if (flags & kHasValue) node->NodeValue = nodes.UTF16(nodes.Varint());
    if (flags & kHasAttributes) {
      uint32_t n = nodes.Count(nodes.Varint(), 2);
      for (uint32_t i = 0; i < n; ++i) {
        std::wstring attrName = name();
        node->Attributes.Add(std::move(attrName), nodes.UTF16(nodes.Varint()));
      }
    }
    if (flags & kHasChildren) children = nodes.Count(nodes.Varint(), 2);
    return node;
  });
}

void LoadBXML(TZORXMLDocument& doc, TStream& stream) {
  std::vector<uint8_t> bytes = ReadRest(stream);
  TBinaryCursor in(bytes.data(), bytes.size());
  auto count = [&](size_t minSize) {
    int32_t n = in.I32();
    return n <= 0 ? 0u : in.Count(static_cast<uint32_t>(n), minSize);
  };
  uint32_t top = count(3);
  ReadRecords(&doc, top, [&](TZORXMLNode* parent, uint32_t& children) {
    TZORXMLNode* node = parent->Add(in.ANSI(in.U16()));
    uint8_t flags = in.Byte();
    if (flags & kHasValue) {
      int32_t n = in.I32();
      node->NodeValue = in.UTF16(n < 0 ? 0 : static_cast<size_t>(n));
    }
    if (flags & kHasAttributes) {
      uint32_t n = count(4);
      for (uint32_t i = 0; i < n; ++i) {
        std::wstring attrName = in.ANSI(in.U16());
        node->Attributes.Add(std::move(attrName), in.UTF16(in.U16()));
      }
    }
    if (flags & kHasChildren) children = count(3);
    return node;
  });
}

void LoadText(TZORXMLDocument& doc, TStream& stream, uint32_t codePage) {
  TZORXMLReaderSettings settings;
  settings.Conformance = doc.MultiRoot ? TZORXMLConformance::clFragment : TZORXMLConformance::clDocument;
  settings.CodePage = codePage;
  TZORXMLNode* current = &doc;
  try {
    TZORXMLTextReader reader(stream, settings);
    while (reader.Read()) {
      if (!current) continue;
      switch (reader.NodeType()) {
        case TZORXMLNodeType::ntElement: {
          TZORXMLNode* node = current->Add(reader.Name());
          for (int i = 0; i < reader.AttributeCount(); ++i)
            node->Attributes.Add(reader.AttributeName(i), reader.AttributeValue(i));
          current = reader.IsEmptyElement() ? node->Parent() : node;
          break;
        }
        case TZORXMLNodeType::ntText:
        case TZORXMLNodeType::ntCDATA:
        case TZORXMLNodeType::ntSignificantWhitespace: current->NodeValue = reader.Value(); break;
        case TZORXMLNodeType::ntEndElement: current = current->Parent(); break;
        default: break;
      }
    }
  } catch (const Exception&) {
    // Malformed text: keep what was read before the error.
  }
}

// Visits every node below root in document order, without recursion: enter
// before a node's children, leave after them.
template <class Enter, class Leave>
void WalkBelow(const TZORXMLNode& root, Enter enter, Leave leave) {
  struct TLevel {
    const TZORXMLNode* Node;
    int Next;
  };
  std::vector<TLevel> stack{{&root, 0}};
  while (!stack.empty()) {
    TLevel& level = stack.back();
    if (level.Next >= level.Node->Count()) {
      if (stack.size() > 1) leave(*level.Node);
      stack.pop_back();
      continue;
    }
    const TZORXMLNode* node = level.Node->SubNodes(level.Next++);
    enter(*node);
    stack.push_back({node, 0});
  }
}

// "SXML": names indexed in order of first use, depth first (name, attribute names, children).
void SaveSXML(const TZORXMLDocument& doc, TStream& stream) {
  std::vector<uint8_t> nodes;
  std::unordered_map<std::wstring, uint32_t> index;
  std::vector<const std::wstring*> table;
  auto varint = [](std::vector<uint8_t>& out, uint32_t v) {
    while (v >= 0x80) {
      out.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    out.push_back(static_cast<uint8_t>(v));
  };
  auto utf16 = [&](const std::wstring& s) {
    varint(nodes, static_cast<uint32_t>(s.size()));
    for (wchar_t c : s) {
      nodes.push_back(static_cast<uint8_t>(c & 0xFF));
      nodes.push_back(static_cast<uint8_t>(c >> 8));
    }
  };
  auto name = [&](const std::wstring& s) {
    auto [it, added] = index.emplace(s, static_cast<uint32_t>(table.size()));
    if (added) table.push_back(&it->first);
    varint(nodes, it->second);
  };
  varint(nodes, static_cast<uint32_t>(doc.Count()));
  WalkBelow(doc, [&](const TZORXMLNode& node) {
    name(node.NodeName);
    uint8_t flags = (node.NodeValue.empty() ? 0 : kHasValue) | (node.Attributes.Count() ? kHasAttributes : 0) |
                    (node.Count() ? kHasChildren : 0);
    nodes.push_back(flags);
    if (flags & kHasValue) utf16(node.NodeValue);
    if (flags & kHasAttributes) {
      varint(nodes, static_cast<uint32_t>(node.Attributes.Count()));
      for (const auto& a : node.Attributes) {
        name(a.Name);
        utf16(a.Value);
      }
    }
    if (flags & kHasChildren) varint(nodes, static_cast<uint32_t>(node.Count()));
  }, [](const TZORXMLNode&) {});
  std::vector<uint8_t> strings;
  varint(strings, static_cast<uint32_t>(table.size()));
  for (const std::wstring* s : table) {
    std::string bytes = zoEncodeText(*s, cpANSI);
    varint(strings, static_cast<uint32_t>(bytes.size()));
    strings.insert(strings.end(), bytes.begin(), bytes.end());
  }
  stream.WriteBuffer("SXML", 4);
  stream.WriteValue<int64_t>(static_cast<int64_t>(nodes.size()));
  stream.WriteBuffer(nodes.data(), static_cast<int64_t>(nodes.size()));
  stream.WriteBuffer(strings.data(), static_cast<int64_t>(strings.size()));
}

void SaveText(const TZORXMLDocument& doc, TStream& stream, uint32_t settings) {
  TZORXMLWriter writer(stream);
  writer.Indent = !(settings & xsTextNoIndent);
  if (!(settings & xsTextNoDeclaration)) writer.WriteStartDocument(true);
  WalkBelow(doc, [&](const TZORXMLNode& node) {
    writer.WriteStartElement(node.NodeName);
    for (const auto& a : node.Attributes) writer.WriteAttributeString(a.Name, a.Value);
    writer.WriteString(node.NodeValue);
  }, [&](const TZORXMLNode&) { writer.WriteEndElement(); });
  writer.Flush();
}
}  // namespace

void TZORXMLDocument::LoadFromStream(TStream& stream, uint32_t codePage) {
  Clear();
  if (stream.Size() - stream.Position() < 4) return;
  char magic[4];
  stream.ReadBuffer(magic, 4);
  if (std::string_view(magic, 4) == "SXML") {
    LoadSXML(*this, stream);
  } else if (std::string_view(magic, 4) == "BXML") {
    LoadBXML(*this, stream);
  } else {
    stream.Seek(-4, TSeekOrigin::soCurrent);
    LoadText(*this, stream, codePage);
  }
}

void TZORXMLDocument::SaveToStream(TStream& stream, uint32_t settings) {
  switch (settings >> 24) {
    case 0: SaveSXML(*this, stream); break;
    case 1: SaveText(*this, stream, settings); break;
    default: throw EZORXMLArgumentOutOfRangeException(L"Unknown XML builder.");
  }
}
