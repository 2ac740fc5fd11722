#pragma once
// A small XML document model: named nodes with attributes and one text value,
// loaded from XML text, "SXML" (compact binary) or "BXML" (legacy binary).
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/base/Strings.h"

class TStream;

ZOR_DECLARE_EXCEPTION(EZORXMLDocument, Exception);

struct TZORXMLAttribute {
  std::wstring Name;
  std::wstring Value;
};

// Attributes in document order; duplicates are kept. Lookups fold ASCII letters only.
class TZORXMLAttributes {
public:
  void Add(std::wstring name, std::wstring value);
  int Count() const { return static_cast<int>(FItems.size()); }
  // Out of range: none.
  const TZORXMLAttribute* Items(int index) const;
  bool Find(std::wstring_view name, const TZORXMLAttribute*& attribute) const;
  bool GetValue(std::wstring_view name, std::wstring& value) const;
  std::wstring GetValue(std::wstring_view name) const;
  void Assign(const TZORXMLAttributes& source) { FItems = source.FItems; }
  bool Equals(const TZORXMLAttributes& other) const;
  void Clear() { FItems.clear(); }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  std::vector<TZORXMLAttribute> FItems;
};

class TZORXMLNode {
public:
  explicit TZORXMLNode(std::wstring name = {}) : NodeName(std::move(name)) {}
  TZORXMLNode(const TZORXMLNode&) = delete;
  TZORXMLNode& operator=(const TZORXMLNode&) = delete;
  virtual ~TZORXMLNode();

  TZORXMLAttributes Attributes;
  std::wstring NodeName;
  std::wstring NodeValue;

  virtual TZORXMLNode* Add(std::wstring name);
  // Clear, then copies of the source's attributes, children, name and value.
  virtual void Assign(const TZORXMLNode& source);
  // Frees all children.
  virtual void Clear();

  int Count() const { return static_cast<int>(FSubNodes.size()); }
  // Out of range: none.
  TZORXMLNode* SubNodes(int index) const;
  TZORXMLNode* Parent() const { return FParent; }
  // Moves this node to the end of newParent's children. Ignored when newParent is
  // this node, the current parent or a descendant, or when this node has no parent
  // (its owner is not a node).
  void SetParent(TZORXMLNode* newParent);
  // Frees a child and everything below it.
  void Delete(int index);

  TZORXMLNode* FindNode(std::wstring_view name) const;
  bool FindNode(std::wstring_view name, TZORXMLNode*& node) const;
  // Steps to the first matching child for each name in turn; with canCreate a
  // missing step is added. An empty path gives false.
  bool FindNode(std::initializer_list<std::wstring_view> path, TZORXMLNode*& node, bool canCreate);
  bool FindNode(const std::vector<std::wstring>& path, TZORXMLNode*& node, bool canCreate);
  bool Equals(const TZORXMLNode& other) const;
  bool IsChild(const TZORXMLNode* node) const;

protected:
  TZORXMLNode* AppendChild(std::wstring name);

private:
  template <class It>
  bool FindPath(It first, It last, TZORXMLNode*& node, bool canCreate);
  std::vector<std::unique_ptr<TZORXMLNode>> FSubNodes;
  TZORXMLNode* FParent = nullptr;
};

// Settings of SaveToStream: the top byte picks the form.
inline constexpr uint32_t xsBinary = 0x00000000;  // "SXML"
inline constexpr uint32_t xsText = 0x01000000;    // XML text
inline constexpr uint32_t xsTextNoIndent = 0x00000100;       // with xsText: no indenting
inline constexpr uint32_t xsTextNoDeclaration = 0x00010000;  // with xsText: no XML declaration

class TZORXMLDocument : public TZORXMLNode {
public:
  TZORXMLDocument() = default;
  explicit TZORXMLDocument(TStream& stream);
  bool MultiRoot = false;

  // Raises "Only one Root available" for a second top-level node unless MultiRoot.
  TZORXMLNode* Add(std::wstring name) override;
  // Malformed text keeps what was read before the error and raises nothing;
  // binary forms raise "Only one Root available" or the stream read error.
  virtual void LoadFromStream(TStream& stream, uint32_t codePage = cpNone);
  virtual void SaveToStream(TStream& stream, uint32_t settings = xsBinary);
};
