#pragma once
// A small tokenizer over a text with three character sets.
#include <cstdint>
#include <string>
#include <string_view>

enum class TZORTokenType : uint8_t { ttNone = 0, ttSpace = 1, ttDelimiter = 2, ttQuote = 3, ttQuotedText = 4, ttWord = 5 };

struct TZORToken {
  size_t Start = 0;   // position in the text
  int32_t Length = 0;  // characters
  TZORTokenType Kind = TZORTokenType::ttNone;
};

class TZORParser {
public:
  TZORParser(std::wstring delimiters, std::wstring quotes, std::wstring spaces);
  virtual ~TZORParser() = default;

  bool QuotedTextAsToken = false;
  bool StripQuotes = true;
  bool SkipDelimiters = true;
  bool SkipQuoteChars = false;
  bool SkipSpaces = true;

  void SetText(std::wstring_view text);
  const std::wstring& Text() const { return FText; }
  // The next token that is not skipped; false at the end.
  bool Next(TZORToken& token);
  std::wstring_view TokenText(const TZORToken& token) const { return std::wstring_view(FText).substr(token.Start, token.Length); }
  size_t Position() const { return FPosition; }

protected:
  // Reads one token at the position; false when nothing is left.
  virtual bool ReadToken(TZORToken& token);
  virtual bool IsSkipped(const TZORToken& token) const;

private:
  std::wstring FDelimiters, FQuotes, FSpaces, FText;
  size_t FPosition = 0;
};
