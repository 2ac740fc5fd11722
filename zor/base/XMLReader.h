#pragma once
// A pull reader of XML 1.0 text, decoding its stream in 8 KiB blocks.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/base/Strings.h"

class TStream;

// Errors of the reader and writer; the message ends with the line and position when known.
class EZORXMLException : public Exception {
public:
  EZORXMLException(const std::wstring& text, int line = 0, int position = 0);
  const wchar_t* ClassName() const noexcept override { return L"EZORXMLException"; }
  int LineNumber = 0;
  int LinePosition = 0;
};
ZOR_DECLARE_EXCEPTION(EZORXMLArgumentException, EZORXMLException);
ZOR_DECLARE_EXCEPTION(EZORXMLArgumentNullException, EZORXMLArgumentException);
ZOR_DECLARE_EXCEPTION(EZORXMLArgumentOutOfRangeException, EZORXMLArgumentException);
ZOR_DECLARE_EXCEPTION(EZORXMLInvalidSurrogatePairException, EZORXMLException);

enum class TZORXMLNodeType {
  ntNone,
  ntElement,
  ntText,
  ntCDATA,
  ntProcessingInstruction,
  ntComment,
  ntDocumentType,
  ntWhitespace,
  ntSignificantWhitespace,
  ntEndElement,
  ntXmlDeclaration,
};

enum class TZORXMLConformance { clDocument, clFragment };

struct TZORXMLReaderSettings {
  bool CheckCharacters = false;
  TZORXMLConformance Conformance = TZORXMLConformance::clDocument;
  bool IgnoreComments = true;
  bool IgnoreWhitespace = true;
  bool IgnoreProcessingInstructions = false;
  uint32_t CodePage = cpNone;  // cpNone: detect
  // Deeper documents are refused rather than risking the stack of whoever walks them.
  int MaxDepth = 4096;
};

class TZORXMLCharSource;

class TZORXMLTextReader {
public:
  TZORXMLTextReader(TStream& stream, const TZORXMLReaderSettings& settings);
  ~TZORXMLTextReader();

  // Moves to the next node; false at the end of the document. Raises EZORXMLException.
  bool Read();
  TZORXMLNodeType NodeType() const { return FType; }
  const std::wstring& Name() const { return *FName; }
  const std::wstring& Value() const { return FValue; }
  bool IsEmptyElement() const { return FEmpty; }
  int Depth() const { return static_cast<int>(FOpen.size()); }
  int AttributeCount() const { return static_cast<int>(FAttributes.size()); }
  const std::wstring& AttributeName(int i) const { return *FAttributes[i].Name; }
  const std::wstring& AttributeValue(int i) const { return FAttributes[i].Value; }
  int LineNumber() const;
  int LinePosition() const;

private:
  struct TAttr {
    const std::wstring* Name;
    std::wstring Value;
  };
  [[noreturn]] void Fail(const std::wstring& text);
  const std::wstring* Atomize(const std::wstring& s);
  void ReadDeclaration();
  void ReadElement();
  void ReadEndElement();
  void ReadText();
  void ReadCDATA();
  void ReadComment();
  void ReadPI();
  void ReadDocType();
  std::wstring ReadName();
  void ReadAttributeValue(std::wstring& out);
  void ReadReference(std::wstring& out);
  void SkipSpaces();
  void Expect(const wchar_t* text);
  bool InPreserveScope() const;

  std::unique_ptr<TZORXMLCharSource> FSource;
  TZORXMLReaderSettings FSettings;
  std::unordered_set<std::wstring> FNames;
  const std::wstring* FEmptyName;
  TZORXMLNodeType FType = TZORXMLNodeType::ntNone;
  const std::wstring* FName;
  std::wstring FValue;
  bool FEmpty = false;
  std::vector<TAttr> FAttributes;
  std::vector<std::pair<const std::wstring*, bool>> FOpen;  // open elements and their xml:space preserve
  bool FPendingEnd = false;  // an empty element reports no end node, but closes on the next Read
  bool FSeenRoot = false;
  bool FRootClosed = false;
  bool FSeenDocType = false;
  bool FStarted = false;
};
