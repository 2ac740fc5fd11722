#include "zor/base/Encoding.h"

#include "zor/base/Streams.h"

std::string_view zoPreamble(uint32_t codePage) {
  switch (codePage) {
    case cpUTF8: return {"\xEF\xBB\xBF", 3};
    case cpUTF16LE:
    case cpNone: return {"\xFF\xFE", 2};
    case cpUTF16BE: return {"\xFE\xFF", 2};
    default: return {};
  }
}

std::wstring zoLoadText(TStream& stream, uint32_t defaultCodePage, uint32_t* found) {
  int64_t size = stream.Size() - stream.Position();
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  uint32_t codePage = defaultCodePage == cpNone ? cpANSI : defaultCodePage;
  size_t skip = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    codePage = cpUTF8;
    skip = 3;
  } else if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    codePage = cpUTF16LE;
    skip = 2;
  } else if (bytes.compare(0, 2, "\xFE\xFF") == 0) {
    codePage = cpUTF16BE;
    skip = 2;
  }
  if (found) *found = codePage;
  std::wstring text;
  std::string_view body(bytes.data() + skip, bytes.size() - skip);
  if (!zoTryDecodeText(body, codePage, text) && codePage != cpUTF16LE) zoTryDecodeText(body, cpANSI, text);
  return text;
}

void zoSaveText(TStream& stream, std::wstring_view text, uint32_t codePage) {
  std::string_view mark = zoPreamble(codePage);
  stream.WriteBuffer(mark.data(), static_cast<int64_t>(mark.size()));
  std::string bytes = zoEncodeText(text, codePage);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}
