#include "setup/product/Zip.h"

#include <windows.h>
#include <zip.h>

#include "zor/base/Exceptions.h"
#include "zor/base/Strings.h"
#include "zor/base/Streams.h"

namespace {
std::string ArchiveName(const std::wstring& name) {
  std::wstring n = name;
  for (auto& c : n)
    if (c == L'\\') c = L'/';
  return zoUTF8Encode(n);
}

[[noreturn]] void Raise(const std::wstring& what, zip_error_t* error) {
  std::wstring text = zoUTF8Decode(zip_error_strerror(error));
  throw Exception(what + L": " + text);
}
}  // namespace

TSetupZipWriter::TSetupZipWriter(const std::wstring& fileName) {
  zip_error_t error;
  zip_error_init(&error);
  std::wstring path = zoLongPath(fileName);
  zip_source_t* source = zip_source_win32w_create(path.c_str(), 0, -1, &error);
  if (!source) Raise(L"Cannot create " + fileName, &error);
  zip_t* archive = zip_open_from_source(source, ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) {
    zip_source_free(source);
    Raise(L"Cannot create " + fileName, &error);
  }
  FArchive = archive;
}

TSetupZipWriter::~TSetupZipWriter() {
  if (FArchive) zip_discard(static_cast<zip_t*>(FArchive));
}

void TSetupZipWriter::AddFile(const std::wstring& fileName, const std::wstring& name) {
  auto* archive = static_cast<zip_t*>(FArchive);
  // The archive reads its files only when it is closed; a file that cannot be
  // read is named now rather than failing the whole archive anonymously then.
  HANDLE probe = CreateFileW(zoLongPath(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) throw Exception(zoFormat(SFOpenErrorEx, fileName, zoLastErrorText()));
  CloseHandle(probe);
  zip_error_t error;
  zip_error_init(&error);
  std::wstring path = zoLongPath(fileName);
  zip_source_t* source = zip_source_win32w_create(path.c_str(), 0, -1, &error);
  if (!source) Raise(fileName, &error);
  zip_int64_t index = zip_file_add(archive, ArchiveName(name).c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(source);
    Raise(fileName, zip_get_error(archive));
  }
  zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
}

void TSetupZipWriter::AddBytes(const std::wstring& name, const std::string& bytes) {
  auto* archive = static_cast<zip_t*>(FArchive);
  FBuffers.push_back(bytes);
  zip_source_t* source = zip_source_buffer(archive, FBuffers.back().data(), FBuffers.back().size(), 0);
  zip_int64_t index = source ? zip_file_add(archive, ArchiveName(name).c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
  if (index < 0) {
    if (source) zip_source_free(source);
    Raise(name, zip_get_error(archive));
  }
  zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
}

void TSetupZipWriter::Close() {
  auto* archive = static_cast<zip_t*>(FArchive);
  // The files are read and compressed here; the archive appears only when all went well.
  if (zip_close(archive) != 0) {
    std::wstring text = zoUTF8Decode(zip_error_strerror(zip_get_error(archive)));
    throw Exception(L"The backup archive could not be written: " + text);
  }
  FArchive = nullptr;
}

std::vector<std::pair<std::wstring, std::string>> TSetupZipWriter::ReadAll(const std::wstring& fileName) {
  std::vector<std::pair<std::wstring, std::string>> entries;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_win32w_create(zoLongPath(fileName).c_str(), 0, -1, &error);
  zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
  if (!archive) {
    if (source) zip_source_free(source);
    Raise(L"Cannot read " + fileName, &error);
  }
  zip_int64_t n = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    zip_stat_index(archive, i, ZIP_FL_ENC_UTF_8, &st);
    std::string bytes(st.size, '\0');
    if (zip_file_t* f = zip_fopen_index(archive, i, 0)) {
      zip_fread(f, bytes.data(), st.size);
      zip_fclose(f);
    }
    entries.emplace_back(zoUTF8Decode(st.name), std::move(bytes));
  }
  zip_discard(archive);
  return entries;
}
