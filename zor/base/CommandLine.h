#pragma once
// Command lines as lists of named switches with values: "/" starts a switch
// after a space, "-" in some places, "=" joins a value, ";" separates values,
// double quotes protect spaces. Text outside switches goes to nameless entries.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/StringList.h"

class TZORCommandLineProcessor {
public:
  // The values of one switch; Name is empty for the nameless entry.
  class TCommand : public TZORStringList {
  public:
    explicit TCommand(std::wstring name) : Name(std::move(name)) {}
    std::wstring Name;
  };

  class TCommands {
  public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TCommand& operator[](int index) const { return *FItems[index]; }
    TCommand& Add(std::wstring name);
    // The first command of that name (case-insensitive), or none.
    TCommand* Find(std::wstring_view name) const;
    // Each command as Name, "=" when it has values, and every value in "<" ">".
    std::wstring ToString() const;

  private:
    std::vector<std::unique_ptr<TCommand>> FItems;
  };

  static std::unique_ptr<TCommands> Parse(std::wstring_view commandLine);
};

// The parameter string: a command line without the program path, trimmed.
std::wstring zoGetCommandLineParams(std::wstring_view commandLine);
// The same for the process's own command line.
std::wstring zoGetCommandLineParams();
// True for a present switch, with its values joined by ";".
bool zoCommandLineGetSwitch(std::wstring_view commandLine, std::wstring_view name, std::wstring& value);
bool zoCommandLineHasSwitch(std::wstring_view commandLine, std::wstring_view name);
