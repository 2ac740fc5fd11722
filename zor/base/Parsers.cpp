#include "zor/base/Parsers.h"

TZORParser::TZORParser(std::wstring delimiters, std::wstring quotes, std::wstring spaces)
    : FDelimiters(std::move(delimiters)), FQuotes(std::move(quotes)), FSpaces(std::move(spaces)) {}

void TZORParser::SetText(std::wstring_view text) {
  FText.assign(text);
  FPosition = 0;
}

bool TZORParser::ReadToken(TZORToken& token) {
  const size_t n = FText.size();
  if (FPosition >= n) return false;
  const wchar_t c = FText[FPosition];
  token.Start = FPosition;
  if (FSpaces.find(c) != std::wstring::npos) {
    token.Length = 1;
    token.Kind = TZORTokenType::ttSpace;
    ++FPosition;
    return true;
  }
  if (FQuotes.find(c) != std::wstring::npos) {
    if (QuotedTextAsToken) {
      size_t close = FText.find(c, FPosition + 1);
      if (close != std::wstring::npos) {
        token.Kind = TZORTokenType::ttQuotedText;
        if (StripQuotes) {
          token.Start = FPosition + 1;
          token.Length = static_cast<int32_t>(close - FPosition - 1);
        } else {
          token.Length = static_cast<int32_t>(close - FPosition + 1);
        }
        FPosition = close + 1;
        return true;
      }
    }
    token.Length = 1;
    token.Kind = TZORTokenType::ttQuote;
    ++FPosition;
    return true;
  }
  if (FDelimiters.find(c) != std::wstring::npos) {
    token.Length = 1;
    token.Kind = TZORTokenType::ttDelimiter;
    ++FPosition;
    return true;
  }
  size_t end = FText.find_first_of(FDelimiters, FPosition);
  if (end == std::wstring::npos) end = n;
  token.Length = static_cast<int32_t>(end - FPosition);
  token.Kind = TZORTokenType::ttWord;
  FPosition = end;
  return true;
}

bool TZORParser::IsSkipped(const TZORToken& token) const {
  switch (token.Kind) {
    case TZORTokenType::ttDelimiter: return SkipDelimiters;
    case TZORTokenType::ttQuote: return SkipQuoteChars;
    case TZORTokenType::ttSpace: return SkipSpaces;
    default: return false;
  }
}

bool TZORParser::Next(TZORToken& token) {
  while (ReadToken(token))
    if (!IsSkipped(token)) return true;
  return false;
}
