#pragma once
// A raw XML text writer: tab indenting, CR LF line breaks, UTF-8 output.
#include <string>
#include <string_view>
#include <vector>

class TStream;

class TZORXMLWriter {
public:
  explicit TZORXMLWriter(TStream& stream);
  ~TZORXMLWriter();

  std::wstring IndentChars = L"\t";
  std::wstring NewLineChars = L"\r\n";
  bool Indent = true;

  // <?xml version="1.0" encoding="utf-8" standalone="yes"?> (or "no").
  void WriteStartDocument(bool standalone);
  void WriteStartElement(std::wstring_view name);
  void WriteAttributeString(std::wstring_view name, std::wstring_view value);
  // Escaped character data; an element with text is not indented inside.
  void WriteString(std::wstring_view text);
  // Closes the innermost element, with "/>" when it got no content.
  void WriteEndElement();
  // Writes everything still buffered to the stream.
  void Flush();

private:
  void CloseStartTag();
  void NewLine(size_t depth);
  void Out(std::wstring_view text);
  struct TOpen {
    std::wstring Name;
    bool HasContent = false;
    bool HasText = false;
  };
  TStream& FStream;
  std::wstring FPending;
  std::vector<TOpen> FOpen;
  bool FInStartTag = false;
  bool FAnyOutput = false;
};

std::wstring zoXMLEscape(std::wstring_view text, bool attribute);
