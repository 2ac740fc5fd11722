#include "zor/base/CommandLine.h"

#include <windows.h>

#include "zor/base/Parsers.h"

using TCommand = TZORCommandLineProcessor::TCommand;
using TCommands = TZORCommandLineProcessor::TCommands;

TCommand& TCommands::Add(std::wstring name) {
  FItems.push_back(std::make_unique<TCommand>(std::move(name)));
  return *FItems.back();
}

TCommand* TCommands::Find(std::wstring_view name) const {
  for (const auto& c : FItems)
    if (zoSameText(c->Name, name)) return c.get();
  return nullptr;
}

std::wstring TCommands::ToString() const {
  std::wstring text;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i) text += L' ';
    text += FItems[i]->Name;
    if (FItems[i]->Count() > 0) text += L'=';
    for (const auto& v : *FItems[i]) text.append(1, L'<').append(v.S).append(1, L'>');
  }
  return text;
}

namespace {
class TZORCommandLineParser : public TZORParser {
public:
  explicit TZORCommandLineParser(TCommands& commands)
      : TZORParser(L"-/=; \r\n", L"\"", L" "), FCommands(commands) {
    SkipSpaces = false;
    SkipDelimiters = false;
    QuotedTextAsToken = true;
    StripQuotes = true;
  }

  void Run(std::wstring_view text) {
    SetText(text);
    TZORToken token;
    while (Next(token)) {
      Handle(token);
      FPrevious = token;
      FHasPrevious = true;
    }
    Flush();
  }

private:
  enum TState { psText = 0, psSpace = 1, psSwitch = 2, psName = 3, psValue = 4 };

  std::wstring_view PreviousText() const { return FHasPrevious ? TokenText(FPrevious) : std::wstring_view(); }

  void AddValue(std::wstring_view text) {
    std::wstring value = zoTrim(text);
    if (value.empty()) return;
    if (!FCurrent) FCurrent = &FCommands.Add(L"");
    FCurrent->Add(std::move(value));
  }

  void Flush() {
    AddValue(FBuilder);
    FBuilder.clear();
  }

  void InText(const TZORToken& t) {
    std::wstring_view text = TokenText(t);
    switch (t.Kind) {
      case TZORTokenType::ttSpace: FState = psSpace; break;
      case TZORTokenType::ttDelimiter:
      case TZORTokenType::ttQuote:
        if (text[0] == L'\r' || text[0] == L'\n') Flush();
        else FBuilder += text;
        break;
      case TZORTokenType::ttQuotedText:
        Flush();
        AddValue(text);
        break;
      case TZORTokenType::ttWord:
        if ((text.size() >= 2 && text[1] == L':') || text.substr(0, 2) == L"\\\\") Flush();
        FBuilder += text;
        break;
      default: break;
    }
  }

  void Handle(const TZORToken& t) {
    std::wstring_view text = TokenText(t);
    bool delimiter = t.Kind == TZORTokenType::ttDelimiter;
    switch (FState) {
      case psText: InText(t); break;
      case psSpace:
        if (delimiter && (text == L"/" || (text == L"-" && (FCommands.Count() > 0 || FBuilder.empty())))) {
          FState = psSwitch;
        } else {
          FState = psText;
          FBuilder += PreviousText();
          InText(t);
        }
        break;
      case psSwitch:
        if (t.Kind == TZORTokenType::ttWord) {
          Flush();
          FCurrent = &FCommands.Add(std::wstring(text));
          FState = psName;
        } else {
          FState = psText;
          FBuilder += L' ';
          FBuilder += PreviousText();
          InText(t);
        }
        break;
      case psName:
        if (text == L"=") {
          FState = psValue;
        } else {
          FState = psText;
          InText(t);
        }
        break;
      case psValue:
        switch (t.Kind) {
          case TZORTokenType::ttSpace:
            Flush();
            FState = psSpace;
            FCurrent = nullptr;
            break;
          case TZORTokenType::ttDelimiter:
            if (text == L";") Flush();
            else FBuilder += text;
            break;
          case TZORTokenType::ttQuotedText:
          case TZORTokenType::ttWord: InText(t); break;
          default: break;
        }
        break;
    }
  }

  TCommands& FCommands;
  TCommand* FCurrent = nullptr;
  std::wstring FBuilder;
  TZORToken FPrevious;
  bool FHasPrevious = false;
  TState FState = psSpace;
};
}  // namespace

std::unique_ptr<TCommands> TZORCommandLineProcessor::Parse(std::wstring_view commandLine) {
  auto commands = std::make_unique<TCommands>();
  TZORCommandLineParser(*commands).Run(commandLine);
  return commands;
}

std::wstring zoGetCommandLineParams(std::wstring_view commandLine) {
  std::wstring text = zoTrim(commandLine);
  TZORParser parser(L" \r\n", L"\"'", std::wstring(L" \r\n\t\0", 5));
  parser.QuotedTextAsToken = true;
  parser.StripQuotes = true;
  parser.SkipDelimiters = false;
  parser.SkipSpaces = true;
  parser.SetText(text);
  TZORToken token;
  if (!parser.Next(token)) return {};
  return zoTrim(std::wstring_view(text).substr(parser.Position()));
}

std::wstring zoGetCommandLineParams() {
  const wchar_t* line = GetCommandLineW();
  return zoGetCommandLineParams(line ? line : L"");
}

bool zoCommandLineGetSwitch(std::wstring_view commandLine, std::wstring_view name, std::wstring& value) {
  auto commands = TZORCommandLineProcessor::Parse(commandLine);
  if (TCommand* c = commands->Find(name)) {
    value = c->GetDelimitedText(L";", false);
    return true;
  }
  value.clear();
  return false;
}

bool zoCommandLineHasSwitch(std::wstring_view commandLine, std::wstring_view name) {
  std::wstring ignored;
  return zoCommandLineGetSwitch(commandLine, name, ignored);
}
