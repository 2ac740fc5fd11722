// SetupBuilder: turns a folder of product files and a folder of setup data
// into IPK5 packages and a one-file setup, and looks inside packages.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "setup/core/package/Package.h"
#include "zor/base/Strings.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Handles.h"

namespace {
const wchar_t* kUsage =
    L"Usage:\n"
    L"  SetupBuilder pack FOLDER OUT.ipk5\n"
    L"      Stores every file below FOLDER under its relative path.\n"
    L"  SetupBuilder list PACKAGE\n"
    L"      Name, offset and size of every entry. PACKAGE is an .ipk5 file, an\n"
    L"      Uninstall.dat or a setup executable (then both of its packages).\n"
    L"  SetupBuilder extract PACKAGE NAME OUT [--resource SETUP|PRODUCT]\n"
    L"  SetupBuilder extract PACKAGE --all FOLDER [--resource SETUP|PRODUCT]\n"
    L"  SetupBuilder build --stub STUB.exe --setup FOLDER|PKG --product FOLDER|PKG --out SETUP.exe\n"
    L"      Copies the stub and puts the two packages into it as the resources\n"
    L"      \"SETUP\" and \"PRODUCT\".\n";

constexpr int kLevel = 4;

class EUsage : public Exception {
public:
  using Exception::Exception;
};

void Print(const std::wstring& text) {
  std::string bytes = zoUTF8Encode(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Every file below the folder, relative paths with backslashes, in a stable order.
std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
  std::wstring root = zoIncludeTrailingPathDelimiter(folder);
  std::vector<std::wstring> names;
  zoEnumFilesEx(root, L"", L"*", fkFile, [&](const TZORFindFileInfo& e) { names.push_back(e.FullName().substr(root.size())); },
                true);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    int c = zoCompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

void PackFolder(const std::wstring& folder, TStream& out) {
  if (!zoDirectoryExists(folder)) throw Exception(zoFormat(L"Folder \"%s\" does not exist", folder));
  TSetupPackageBuilder builder;
  std::wstring root = zoIncludeTrailingPathDelimiter(folder);
  for (const std::wstring& name : FilesBelow(root)) {
    TZORBufferedFileStream file(root + name, fmOpenRead | fmShareDenyWrite);
    builder.Add(file, name);
  }
  builder.Commit(out, kLevel);
}

// The package bytes of a folder (packed now) or of a package file.
std::unique_ptr<TMemoryStream> PackageBytes(const std::wstring& source) {
  auto bytes = std::make_unique<TMemoryStream>();
  if (zoDirectoryExists(source)) PackFolder(source, *bytes);
  else bytes->LoadFromFile(source);
  bytes->SetPosition(0);
  return bytes;
}

struct TPackageSource {
  std::wstring Label;
  std::unique_ptr<TSetupPackageReader> Reader;
};

// One package (a package file) or the resource packages of an executable.
std::vector<TPackageSource> OpenPackages(const std::wstring& path, const std::wstring& resource) {
  std::vector<TPackageSource> sources;
  TZORFileStream probe(path, fmOpenRead | fmShareDenyWrite);
  char magic[2] = {};
  probe.Read(magic, 2);
  if (magic[0] != 'M' || magic[1] != 'Z') {
    probe.SetPosition(0);
    sources.push_back({L"", std::make_unique<TSetupPackageReader>(probe)});
    return sources;
  }
  TZORModule module(LoadLibraryExW(zoExpandFileName(path).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) throw Exception(zoFormat(L"Cannot read the resources of \"%s\". %s", path, zoLastErrorText()));
  std::vector<std::wstring> names = resource.empty() ? std::vector<std::wstring>{L"SETUP", L"PRODUCT"}
                                                     : std::vector<std::wstring>{zoUpperCase(resource)};
  for (const std::wstring& name : names) {
    HRSRC info = FindResourceW(module.Get(), name.c_str(), MAKEINTRESOURCEW(10));
    HGLOBAL data = info ? LoadResource(module.Get(), info) : nullptr;
    if (!data) throw Exception(zoFormat(L"Resource %s not found", name));
    TZORReadOnlyMemoryStream stream(LockResource(data), SizeofResource(module.Get(), info));
    sources.push_back({name, std::make_unique<TSetupPackageReader>(stream)});
  }
  return sources;
}

// Only relative names that stay inside the folder.
bool SafeName(const std::wstring& name) {
  if (name.empty() || name[0] == L'\\' || name[0] == L'/' || name.find(L':') != std::wstring::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = name.size();
    std::wstring part = name.substr(start, end - start);
    if (part.empty() || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

void WriteFile(const std::wstring& path, const uint8_t* data, int64_t size) {
  if (!zoForceDirectoriesForFile(path) && !zoExtractFilePath(path).empty())
    throw Exception(zoFormat(L"Cannot create the folder of \"%s\". %s", path, zoLastErrorText()));
  TZORBufferedFileStream out(path, fmCreate);
  out.WriteBuffer(data, size);
  out.Flush();
}

std::wstring Option(std::vector<std::wstring>& args, const std::wstring& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      if (i + 1 >= args.size()) throw EUsage(name + L" needs a value");
      std::wstring value = args[i + 1];
      args.erase(args.begin() + i, args.begin() + i + 2);
      return value;
    }
  }
  return {};
}

int Run(std::vector<std::wstring> args) {
  if (args.empty() || args[0] == L"--help" || args[0] == L"-h" || args[0] == L"/?") {
    Print(kUsage);
    return args.empty() ? 2 : 0;
  }
  std::wstring command = args[0];
  args.erase(args.begin());
  if (command == L"pack") {
    if (args.size() != 2) throw EUsage(L"pack takes FOLDER and OUT");
    TMemoryStream bytes;
    PackFolder(args[0], bytes);
    WriteFile(args[1], bytes.Memory(), bytes.Size());
    Print(zoFormat(L"%s: %d files, %d bytes\n", args[1], FilesBelow(args[0]).size(), bytes.Size()));
    return 0;
  }
  if (command == L"list") {
    std::wstring resource = Option(args, L"--resource");
    if (args.size() != 1) throw EUsage(L"list takes PACKAGE");
    for (auto& source : OpenPackages(args[0], resource)) {
      if (!source.Label.empty()) Print(L"[" + source.Label + L"]\n");
      const TSetupPackageFileTable& table = source.Reader->FileTable();
      for (int i = 0; i < table.Count(); ++i)
        Print(zoFormat(L"%s\t%d\t%d\n", table[i].Name, table[i].Offset, table[i].Size));
    }
    return 0;
  }
  if (command == L"extract") {
    std::wstring resource = Option(args, L"--resource");
    if (args.size() != 3) throw EUsage(L"extract takes PACKAGE, NAME (or --all) and OUT");
    auto sources = OpenPackages(args[0], resource);
    if (sources.size() != 1) throw EUsage(L"an executable holds two packages: name one with --resource");
    TSetupPackageReader& reader = *sources[0].Reader;
    if (args[1] == L"--all") {
      std::wstring root = zoIncludeTrailingPathDelimiter(args[2]);
      const TSetupPackageFileTable& table = reader.FileTable();
      for (int i = 0; i < table.Count(); ++i)
        if (!SafeName(table[i].Name)) throw Exception(zoFormat(L"Refusing \"%s\": it would land outside %s", table[i].Name, root));
      for (int i = 0; i < table.Count(); ++i) {
        const uint8_t* data;
        int64_t size;
        reader.View(table[i].Name, data, size);
        WriteFile(root + table[i].Name, data, size);
      }
      Print(zoFormat(L"%d files to %s\n", table.Count(), root));
      return 0;
    }
    const uint8_t* data;
    int64_t size;
    if (!reader.View(args[1], data, size)) throw Exception(zoFormat(L"\"%s\" is not in the package", args[1]));
    WriteFile(args[2], data, size);
    return 0;
  }
  if (command == L"build") {
    std::wstring stub = Option(args, L"--stub"), setup = Option(args, L"--setup"), product = Option(args, L"--product"),
                 out = Option(args, L"--out");
    if (!args.empty() || stub.empty() || setup.empty() || product.empty() || out.empty())
      throw EUsage(L"build takes --stub, --setup, --product and --out");
    std::unique_ptr<TMemoryStream> packages[2] = {PackageBytes(setup), PackageBytes(product)};
    for (auto& p : packages) {
      TSetupPackageReader check(*p);  // a damaged package never goes into a setup
      p->SetPosition(0);
    }
    if (!zoCopyFile(stub, out, false)) throw Exception(zoFormat(L"Cannot copy \"%s\" to \"%s\". %s", stub, out, zoLastErrorText()));
    HANDLE update = BeginUpdateResourceW(out.c_str(), FALSE);
    if (!update) throw Exception(zoFormat(L"Cannot open \"%s\" for resources. %s", out, zoLastErrorText()));
    const wchar_t* names[2] = {L"SETUP", L"PRODUCT"};
    bool ok = true;
    for (int i = 0; i < 2 && ok; ++i)
      ok = UpdateResourceW(update, MAKEINTRESOURCEW(10), names[i], MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                           packages[i]->Memory(), static_cast<DWORD>(packages[i]->Size()));
    DWORD err = ok ? 0 : GetLastError();
    if (!EndUpdateResourceW(update, !ok) || !ok) {
      if (!err) err = GetLastError();
      zoDeleteFile(out);
      throw Exception(zoFormat(L"Cannot write the resources of \"%s\". %s", out, zoSysErrorMessage(err)));
    }
    Print(zoFormat(L"%s: SETUP %d bytes, PRODUCT %d bytes\n", out, packages[0]->Size(), packages[1]->Size()));
    return 0;
  }
  throw EUsage(L"unknown command \"" + command + L"\"");
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  try {
    return Run(std::move(args));
  } catch (const EUsage& e) {
    std::fwprintf(stderr, L"SetupBuilder: %ls\n%ls", e.Message().c_str(), kUsage);
    return 2;
  } catch (const Exception& e) {
    std::string text = zoUTF8Encode(L"SetupBuilder: error: " + e.Message() + L"\n");
    std::fwrite(text.data(), 1, text.size(), stderr);
    return 1;
  } catch (const std::bad_alloc&) {
    std::fputs("SetupBuilder: error: out of memory\n", stderr);
    return 1;
  }
}
