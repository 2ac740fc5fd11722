#include "zor/base/XMLReader.h"

#include <windows.h>

#include <cstring>

#include "zor/base/Streams.h"

EZORXMLException::EZORXMLException(const std::wstring& text, int line, int position)
    : Exception(line > 0 ? zoFormat(L"%s Line %d, position %d", text, line, position) : text),
      LineNumber(line),
      LinePosition(position) {}

// Characters of the stream, decoded block by block, with XML end-of-line
// handling (CR LF and a lone CR become LF) and line/position tracking.
class TZORXMLCharSource {
public:
  static constexpr size_t kBlock = 8192;

  TZORXMLCharSource(TStream& stream, uint32_t codePage) : FStream(stream) {
    FillRaw();
    if (codePage != cpNone) {
      FCodePage = codePage;
      std::string_view mark = codePage == cpUTF8 ? "\xEF\xBB\xBF" : codePage == cpUTF16LE ? "\xFF\xFE"
                                                 : codePage == cpUTF16BE ? "\xFE\xFF" : "";
      if (!mark.empty() && RawStartsWith(mark)) FRawPos = mark.size();
      return;
    }
    Detect();
  }

  // The character ahead of the current one by n, or -1 past the end.
  int Peek(size_t n = 0) {
    while (FPos + n >= FBuf.size()) {
      if (!Decode()) return -1;
    }
    return FBuf[FPos + n];
  }

  int Next() {
    int c = Peek();
    if (c < 0) return c;
    ++FPos;
    if (c == L'\n') {
      ++FLine;
      FColumn = 1;
    } else {
      ++FColumn;
    }
    return c;
  }

  bool LookingAt(const wchar_t* text) {
    for (size_t i = 0; text[i]; ++i)
      if (Peek(i) != text[i]) return false;
    return true;
  }

  void Skip(size_t n) {
    while (n-- && Next() >= 0) {
    }
  }

  // True while the text is read as UTF-8 only up to the end of its XML declaration.
  bool Switchable() const { return FHeldBack; }
  // Continues after the declaration in the code page it names (0: stay with UTF-8).
  void ReleaseDeclaration(uint32_t codePage) {
    if (!FHeldBack) return;
    FHeldBack = false;
    if (codePage && codePage != cpUTF8 && codePage != cpUTF16LE && codePage != cpUTF16BE) FCodePage = codePage;
  }

  int Line() const { return FLine; }
  int Column() const { return FColumn; }

private:
  bool RawStartsWith(std::string_view bytes) const {
    return FRawLen >= bytes.size() && std::memcmp(FRaw, bytes.data(), bytes.size()) == 0;
  }

  void FillRaw() {
    if (FRawPos < FRawLen) std::memmove(FRaw, FRaw + FRawPos, FRawLen - FRawPos);
    FRawLen -= FRawPos;
    FRawPos = 0;
    while (!FRawEOF && FRawLen < kBlock) {
      int64_t n = FStream.Read(FRaw + FRawLen, static_cast<int64_t>(kBlock - FRawLen));
      if (n <= 0) FRawEOF = true;
      else FRawLen += static_cast<size_t>(n);
    }
  }

  void Detect() {
    auto b = [&](size_t i) -> int { return i < FRawLen ? FRaw[i] : -1; };
    auto is = [&](int b0, int b1, int b2, int b3) { return b(0) == b0 && b(1) == b1 && b(2) == b2 && b(3) == b3; };
    if (is(0, 0, 0xFE, 0xFF) || is(0, 0, 0xFF, 0xFE) || is(0, 0, 0, 0x3C) || is(0, 0, 0x3C, 0) || is(0xFF, 0xFE, 0, 0) ||
        is(0xFE, 0xFF, 0, 0) || is(0x3C, 0, 0, 0) || is(0, 0x3C, 0, 0))
      throw EZORXMLException(L"Not implemented");
    if (is(0x4C, 0x6F, 0xA7, 0x94)) throw EZORXMLException(L"UnknownEncoding: ebcdic");
    bool pairAfter = FRawLen >= 4 && (b(2) != 0 || b(3) != 0);
    if (RawStartsWith("\xEF\xBB\xBF")) {
      FCodePage = cpUTF8;
      FRawPos = 3;
    } else if (RawStartsWith("\xFF\xFE")) {
      FCodePage = cpUTF16LE;
      FRawPos = 2;
    } else if (RawStartsWith("\xFE\xFF")) {
      FCodePage = cpUTF16BE;
      FRawPos = 2;
    } else if (b(0) == 0x3C && b(1) == 0 && pairAfter) {
      FCodePage = cpUTF16LE;
    } else if (b(0) == 0 && b(1) == 0x3C && pairAfter) {
      FCodePage = cpUTF16BE;
    } else {
      FCodePage = cpUTF8;
      // Only the declaration is read as UTF-8 until its encoding is known.
      if (RawStartsWith("<?xml")) {
        for (size_t i = 5; i + 1 < FRawLen; ++i) {
          if (FRaw[i] == '?' && FRaw[i + 1] == '>') {
            FHeldBack = true;
            FHeldEnd = i + 2;
            break;
          }
        }
      }
    }
  }

  void Emit(uint32_t cp) {
    if (FSkipLF) {
      FSkipLF = false;
      if (cp == L'\n') return;
    }
    if (cp == L'\r') {
      cp = L'\n';
      FSkipLF = true;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      FBuf += static_cast<wchar_t>(0xD800 + (cp >> 10));
      FBuf += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      FBuf += static_cast<wchar_t>(cp);
    }
  }

  [[noreturn]] void BadByte() { throw EZORXMLException(L"Invalid character in the given encoding.", FLine, FColumn); }

  size_t DecodeUTF8(const uint8_t* p, size_t n, bool final) {
    size_t i = 0;
    while (i < n) {
      uint8_t c = p[i];
      if (c < 0x80) {
        Emit(c);
        ++i;
        continue;
      }
      size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
      if (len == 0 || c > 0xF4) BadByte();
      if (i + len > n) {
        if (final) BadByte();
        break;
      }
      uint32_t cp = c & (0xFF >> (len + 1));
      for (size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) BadByte();
        cp = cp << 6 | (p[i + k] & 0x3F);
      }
      if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        BadByte();
      Emit(cp);
      i += len;
    }
    return i;
  }

  size_t DecodeUTF16(const uint8_t* p, size_t n, bool bigEndian) {
    size_t i = 0;
    for (; i + 1 < n; i += 2) Emit(bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i] | p[i + 1] << 8));
    return i;
  }

  size_t DecodeCodePage(const uint8_t* p, size_t n, bool final) {
    size_t whole = n;
    CPINFO info;
    if (!final && GetCPInfo(FCodePage, &info) && info.MaxCharSize > 1) {
      size_t i = 0;
      while (i < n) i += IsDBCSLeadByteEx(FCodePage, p[i]) ? 2 : 1;
      if (i > n) whole = n - 1;
    }
    if (whole == 0) return 0;
    int len = MultiByteToWideChar(FCodePage, 0, reinterpret_cast<const char*>(p), static_cast<int>(whole), nullptr, 0);
    if (len <= 0) BadByte();
    std::wstring chars(len, L'\0');
    MultiByteToWideChar(FCodePage, 0, reinterpret_cast<const char*>(p), static_cast<int>(whole), chars.data(), len);
    for (wchar_t ch : chars) Emit(ch);
    return whole;
  }

  // Decodes the next piece of raw bytes; false at the end.
  bool Decode() {
    if (FPos > 65536) {
      FBuf.erase(0, FPos);
      FPos = 0;
    }
    if (FRawPos >= FRawLen || (FRawLen - FRawPos < 4 && !FRawEOF)) FillRaw();
    size_t limit = FRawLen;
    if (FHeldBack) {
      if (FHeldEnd <= FRawPos) return false;  // wait for ReleaseDeclaration
      limit = FHeldEnd;
    }
    if (FRawPos >= limit) return false;
    const uint8_t* p = FRaw + FRawPos;
    size_t n = limit - FRawPos;
    bool final = FRawEOF || FHeldBack;
    size_t used;
    size_t before = FBuf.size();
    if (FCodePage == cpUTF8) used = DecodeUTF8(p, n, final);
    else if (FCodePage == cpUTF16LE || FCodePage == cpUTF16BE) used = DecodeUTF16(p, n, FCodePage == cpUTF16BE);
    else used = DecodeCodePage(p, n, final);
    if (used == 0) {
      if (final) return false;  // a lone trailing byte
      FillRaw();
      return FBuf.size() > before || FRawPos < FRawLen;
    }
    FRawPos += used;
    return true;
  }

  TStream& FStream;
  uint8_t FRaw[kBlock];
  size_t FRawPos = 0, FRawLen = 0;
  bool FRawEOF = false;
  uint32_t FCodePage = cpUTF8;
  bool FHeldBack = false;
  size_t FHeldEnd = 0;
  bool FSkipLF = false;
  std::wstring FBuf;
  size_t FPos = 0;
  int FLine = 1, FColumn = 1;
};

namespace {
bool IsSpace(int c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }
bool EndsName(int c) {
  return c < 0 || IsSpace(c) || c == L'/' || c == L'>' || c == L'=' || c == L'<' || c == L'"' || c == L'\'' ||
         c == L'?' || c == L'&' || c == L';';
}
}  // namespace

TZORXMLTextReader::TZORXMLTextReader(TStream& stream, const TZORXMLReaderSettings& settings)
    : FSettings(settings), FEmptyName(Atomize(L"")), FName(FEmptyName) {
  FSource = std::make_unique<TZORXMLCharSource>(stream, settings.CodePage);
}

TZORXMLTextReader::~TZORXMLTextReader() = default;

int TZORXMLTextReader::LineNumber() const { return FSource->Line(); }
int TZORXMLTextReader::LinePosition() const { return FSource->Column(); }

void TZORXMLTextReader::Fail(const std::wstring& text) { throw EZORXMLException(text, FSource->Line(), FSource->Column()); }

const std::wstring* TZORXMLTextReader::Atomize(const std::wstring& s) { return &*FNames.insert(s).first; }

void TZORXMLTextReader::SkipSpaces() {
  while (IsSpace(FSource->Peek())) FSource->Next();
}

void TZORXMLTextReader::Expect(const wchar_t* text) {
  for (size_t i = 0; text[i]; ++i) {
    int c = FSource->Peek();
    if (c != text[i]) {
      if (c < 0) Fail(L"Unexpected end of file has occurred.");
      Fail(zoFormat(L"'%s' is an unexpected token. The expected token is '%s'.", std::wstring(1, static_cast<wchar_t>(c)),
                    std::wstring(1, text[i])));
    }
    FSource->Next();
  }
}

bool TZORXMLTextReader::InPreserveScope() const { return !FOpen.empty() && FOpen.back().second; }

std::wstring TZORXMLTextReader::ReadName() {
  std::wstring name;
  while (!EndsName(FSource->Peek())) name += static_cast<wchar_t>(FSource->Next());
  if (name.empty()) {
    int c = FSource->Peek();
    if (c < 0) Fail(L"Unexpected end of file has occurred.");
    Fail(zoFormat(L"Name cannot begin with the '%s' character.", std::wstring(1, static_cast<wchar_t>(c))));
  }
  return name;
}

void TZORXMLTextReader::ReadReference(std::wstring& out) {
  FSource->Next();  // &
  if (FSource->Peek() == L'#') {
    FSource->Next();
    unsigned base = 10;
    if (FSource->Peek() == L'x') {
      base = 16;
      FSource->Next();
    }
    uint32_t cp = 0;
    bool any = false;
    for (;;) {
      int c = FSource->Peek();
      int d = c >= L'0' && c <= L'9' ? c - L'0'
              : base == 16 && c >= L'a' && c <= L'f' ? c - L'a' + 10
              : base == 16 && c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                     : -1;
      if (d < 0) break;
      FSource->Next();
      any = true;
      if (cp <= 0x10FFFF) cp = cp * base + d;
    }
    if (!any || FSource->Peek() != L';' || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      Fail(L"Invalid character reference.");
    FSource->Next();
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    return;
  }
  std::wstring name;
  while (!EndsName(FSource->Peek()) && name.size() < 64) name += static_cast<wchar_t>(FSource->Next());
  if (FSource->Peek() != L';') Fail(L"An error occurred while parsing EntityName.");
  FSource->Next();
  static const struct {
    const wchar_t* Name;
    wchar_t Char;
  } kEntities[] = {{L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"apos", L'\''}, {L"quot", L'"'}};
  for (const auto& e : kEntities) {
    if (name == e.Name) {
      out += e.Char;
      return;
    }
  }
  Fail(zoFormat(L"Reference to undeclared entity '%s'.", name));
}

void TZORXMLTextReader::ReadAttributeValue(std::wstring& out) {
  int quote = FSource->Peek();
  if (quote != L'"' && quote != L'\'') Fail(L"'\"' or ''' is expected.");
  FSource->Next();
  for (;;) {
    int c = FSource->Peek();
    if (c < 0) Fail(L"Unexpected end of file has occurred.");
    if (c == quote) {
      FSource->Next();
      return;
    }
    if (c == L'<') Fail(L"'<', hexadecimal value 0x3C, is an invalid attribute character.");
    if (c == L'&') {
      ReadReference(out);
      continue;
    }
    FSource->Next();
    // End-of-line handling has already made every break a single LF.
    out += (c == L'\t' || c == L'\n') ? L' ' : static_cast<wchar_t>(c);
  }
}

void TZORXMLTextReader::ReadDeclaration() {
  FSource->Skip(5);  // <?xml
  FType = TZORXMLNodeType::ntXmlDeclaration;
  FName = Atomize(L"xml");
  FValue.clear();
  FAttributes.clear();
  std::wstring encoding;
  for (;;) {
    SkipSpaces();
    if (FSource->LookingAt(L"?>")) {
      FSource->Skip(2);
      break;
    }
    std::wstring name = ReadName();
    SkipSpaces();
    Expect(L"=");
    SkipSpaces();
    std::wstring value;
    ReadAttributeValue(value);
    if (!FValue.empty()) FValue += L' ';
    FValue += name + L"=\"" + value + L"\"";
    if (name == L"encoding") encoding = value;
    FAttributes.push_back({Atomize(name), value});
  }
  if (FSource->Switchable()) {
    uint32_t cp = 0;
    if (!encoding.empty()) {
      cp = zoCodePageFromName(encoding);
      if (cp == 0) Fail(zoFormat(L"System does not support '%s' encoding.", encoding));
    }
    FSource->ReleaseDeclaration(cp);
  }
}

void TZORXMLTextReader::ReadElement() {
  FSource->Next();  // <
  if (FOpen.empty() && FRootClosed && FSettings.Conformance == TZORXMLConformance::clDocument)
    Fail(L"There are multiple root elements.");
  if (static_cast<int>(FOpen.size()) >= FSettings.MaxDepth) Fail(L"The document is nested too deeply.");
  FType = TZORXMLNodeType::ntElement;
  FName = Atomize(ReadName());
  FValue.clear();
  FAttributes.clear();
  bool preserve = InPreserveScope();
  FEmpty = false;
  for (;;) {
    SkipSpaces();
    int c = FSource->Peek();
    if (c == L'>') {
      FSource->Next();
      break;
    }
    if (c == L'/') {
      FSource->Next();
      Expect(L">");
      FEmpty = true;
      break;
    }
    if (c < 0) Fail(L"Unexpected end of file has occurred.");
    const std::wstring* name = Atomize(ReadName());
    SkipSpaces();
    Expect(L"=");
    SkipSpaces();
    std::wstring value;
    ReadAttributeValue(value);
    if (*name == L"xml:space") preserve = value == L"preserve";
    FAttributes.push_back({name, std::move(value)});
  }
  FSeenRoot = true;
  FOpen.emplace_back(FName, preserve);
  FPendingEnd = FEmpty;
}

void TZORXMLTextReader::ReadEndElement() {
  FSource->Skip(2);  // </
  std::wstring name = ReadName();
  SkipSpaces();
  Expect(L">");
  if (FOpen.empty()) Fail(L"Unexpected end tag.");
  if (*FOpen.back().first != name)
    Fail(zoFormat(L"The '%s' start tag does not match the end tag of '%s'.", *FOpen.back().first, name));
  FType = TZORXMLNodeType::ntEndElement;
  FName = FOpen.back().first;
  FValue.clear();
  FAttributes.clear();
  FOpen.pop_back();
  if (FOpen.empty()) FRootClosed = true;
}

void TZORXMLTextReader::ReadText() {
  FValue.clear();
  bool blank = true;
  for (;;) {
    int c = FSource->Peek();
    if (c < 0 || c == L'<') break;
    if (c == L'&') {
      ReadReference(FValue);
      blank = false;
      continue;
    }
    if (!IsSpace(c)) blank = false;
    FValue += static_cast<wchar_t>(FSource->Next());
  }
  FName = FEmptyName;
  FAttributes.clear();
  if (blank) {
    FType = InPreserveScope() ? TZORXMLNodeType::ntSignificantWhitespace : TZORXMLNodeType::ntWhitespace;
  } else {
    if (FOpen.empty() && FSettings.Conformance == TZORXMLConformance::clDocument) Fail(L"Data at the root level is invalid.");
    FType = TZORXMLNodeType::ntText;
  }
}

void TZORXMLTextReader::ReadCDATA() {
  if (FOpen.empty()) Fail(L"Data at the root level is invalid.");
  FSource->Skip(9);  // <![CDATA[
  FValue.clear();
  while (!FSource->LookingAt(L"]]>")) {
    int c = FSource->Next();
    if (c < 0) Fail(L"Unexpected end of file while parsing CDATA has occurred.");
    FValue += static_cast<wchar_t>(c);
  }
  FSource->Skip(3);
  FType = TZORXMLNodeType::ntCDATA;
  FName = FEmptyName;
  FAttributes.clear();
}

void TZORXMLTextReader::ReadComment() {
  FSource->Skip(4);  // <!--
  FValue.clear();
  while (!FSource->LookingAt(L"-->")) {
    int c = FSource->Next();
    if (c < 0) Fail(L"Unexpected end of file while parsing Comment has occurred.");
    FValue += static_cast<wchar_t>(c);
  }
  FSource->Skip(3);
  FType = TZORXMLNodeType::ntComment;
  FName = FEmptyName;
  FAttributes.clear();
}

void TZORXMLTextReader::ReadPI() {
  FSource->Skip(2);  // <?
  FName = Atomize(ReadName());
  if (zoSameTextASCII(*FName, L"xml")) Fail(L"Unexpected XML declaration.");
  SkipSpaces();
  FValue.clear();
  while (!FSource->LookingAt(L"?>")) {
    int c = FSource->Next();
    if (c < 0) Fail(L"Unexpected end of file while parsing PI has occurred.");
    FValue += static_cast<wchar_t>(c);
  }
  FSource->Skip(2);
  FSource->ReleaseDeclaration(0);  // a leading "<?xml-..." instruction is no declaration
  FType = TZORXMLNodeType::ntProcessingInstruction;
  FAttributes.clear();
}

void TZORXMLTextReader::ReadDocType() {
  if (FSeenRoot || FSeenDocType || !FOpen.empty()) Fail(L"Unexpected DTD declaration.");
  FSeenDocType = true;
  FSource->Skip(9);  // <!DOCTYPE
  SkipSpaces();
  FName = Atomize(ReadName());
  // The internal subset is skipped, not interpreted.
  FValue.clear();
  int bracket = 0, quote = 0;
  for (;;) {
    int c = FSource->Next();
    if (c < 0) Fail(L"Unexpected end of file while parsing DTD has occurred.");
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == L'"' || c == L'\'') {
      quote = c;
    } else if (c == L'[') {
      ++bracket;
    } else if (c == L']') {
      --bracket;
    } else if (c == L'>' && bracket <= 0) {
      break;
    }
    FValue += static_cast<wchar_t>(c);
  }
  FType = TZORXMLNodeType::ntDocumentType;
  FAttributes.clear();
}

bool TZORXMLTextReader::Read() {
  if (FPendingEnd) {
    FPendingEnd = false;
    FOpen.pop_back();
    if (FOpen.empty()) FRootClosed = true;
  }
  for (;;) {
    bool first = !FStarted;
    FStarted = true;
    FEmpty = false;
    int c = FSource->Peek();
    if (c < 0) {
      FType = TZORXMLNodeType::ntNone;
      if (!FOpen.empty()) {
        std::wstring names;
        for (const auto& open : FOpen) names += (names.empty() ? L"" : L", ") + *open.first;
        Fail(L"Unexpected end of file has occurred. The following elements are not closed: " + names + L".");
      }
      if (!FSeenRoot && FSettings.Conformance == TZORXMLConformance::clDocument) Fail(L"Root element is missing.");
      return false;
    }
    if (c != L'<') {
      ReadText();
      if (FType == TZORXMLNodeType::ntWhitespace && FSettings.IgnoreWhitespace) continue;
      return true;
    }
    int d = FSource->Peek(1);
    if (d == L'?') {
      if (first && FSource->LookingAt(L"<?xml") && IsSpace(FSource->Peek(5))) {
        ReadDeclaration();
        return true;
      }
      ReadPI();
      if (FSettings.IgnoreProcessingInstructions) continue;
      return true;
    }
    if (d == L'!') {
      if (FSource->LookingAt(L"<!--")) {
        ReadComment();
        if (FSettings.IgnoreComments) continue;
        return true;
      }
      if (FSource->LookingAt(L"<![CDATA[")) {
        ReadCDATA();
        return true;
      }
      if (FSource->LookingAt(L"<!DOCTYPE")) {
        ReadDocType();
        return true;
      }
      FSource->Next();
      Fail(L"Unexpected '!' in markup.");
    }
    if (d == L'/') {
      ReadEndElement();
      return true;
    }
    ReadElement();
    return true;
  }
}
