#include "zor/base/XMLWriter.h"

#include "zor/base/Streams.h"
#include "zor/base/Strings.h"

std::wstring zoXMLEscape(std::wstring_view text, bool attribute) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'&': out += L"&amp;"; break;
      case L'"': out += attribute ? L"&quot;" : L"\""; break;
      // Breaks and tabs survive a reload only as references (attribute values are
      // normalised, text loses its CR).
      case L'\r': out += L"&#xD;"; break;
      case L'\n': out += attribute ? L"&#xA;" : L"\n"; break;
      case L'\t': out += attribute ? L"&#x9;" : L"\t"; break;
      default: out += c;
    }
  }
  return out;
}

TZORXMLWriter::TZORXMLWriter(TStream& stream) : FStream(stream) {}

TZORXMLWriter::~TZORXMLWriter() {
  try {
    Flush();
  } catch (const Exception&) {
  }
}

void TZORXMLWriter::Out(std::wstring_view text) {
  FPending += text;
  FAnyOutput = true;
  if (FPending.size() > 32768) Flush();
}

void TZORXMLWriter::Flush() {
  std::string bytes = zoUTF8Encode(FPending);
  FPending.clear();
  FStream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TZORXMLWriter::NewLine(size_t depth) {
  if (!Indent || !FAnyOutput) return;
  Out(NewLineChars);
  for (size_t i = 0; i < depth; ++i) Out(IndentChars);
}

void TZORXMLWriter::WriteStartDocument(bool standalone) {
  Out(standalone ? L"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>"
                 : L"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>");
}

void TZORXMLWriter::CloseStartTag() {
  if (FInStartTag) {
    Out(L">");
    FInStartTag = false;
  }
}

void TZORXMLWriter::WriteStartElement(std::wstring_view name) {
  CloseStartTag();
  bool mixed = !FOpen.empty() && FOpen.back().HasText;
  if (!FOpen.empty()) FOpen.back().HasContent = true;
  if (!mixed) NewLine(FOpen.size());
  Out(L"<");
  Out(name);
  FOpen.push_back({std::wstring(name)});
  FInStartTag = true;
}

void TZORXMLWriter::WriteAttributeString(std::wstring_view name, std::wstring_view value) {
  Out(L" ");
  Out(name);
  Out(L"=\"");
  Out(zoXMLEscape(value, true));
  Out(L"\"");
}

void TZORXMLWriter::WriteString(std::wstring_view text) {
  if (text.empty()) return;
  CloseStartTag();
  if (!FOpen.empty()) {
    FOpen.back().HasContent = true;
    FOpen.back().HasText = true;
  }
  Out(zoXMLEscape(text, false));
}

void TZORXMLWriter::WriteEndElement() {
  if (FOpen.empty()) return;
  TOpen open = std::move(FOpen.back());
  FOpen.pop_back();
  if (FInStartTag) {
    Out(L"/>");
    FInStartTag = false;
    return;
  }
  if (!open.HasText) NewLine(FOpen.size());
  Out(L"</");
  Out(open.Name);
  Out(L">");
}
