#pragma once
// Checksums and digests. Each algorithm is a class of static operations; the
// caller holds the running state: Initialize, any number of Update, Finalize.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Strings.h"

class TStream;

// Receives the percentage done.
using TZORHashProgress = std::function<void(float)>;

// Operations every hash inherits; H supplies State, Result, Initialize,
// Update (bytes), Finalize, and may replace Reset.
template <class H>
class TZORHash {
public:
  template <class S>
  static void Reset(S& state) {
    H::Finalize(state);
    H::Initialize(state);
  }

  static auto Calculate(std::wstring_view text, uint32_t codePage = cpNone) {
    typename H::State state;
    H::Initialize(state);
    try {
      UpdateText(state, text, codePage);
    } catch (...) {
      H::Finalize(state);
      throw;
    }
    return H::Finalize(state);
  }

  // The text's bytes in UTF-8.
  template <class S>
  static void UpdateText(S& state, std::wstring_view text) {
    UpdateText(state, text, cpUTF8);
  }
  // The text's bytes in the code page, without a mark; cpNone feeds the raw UTF-16 LE units.
  template <class S>
  static void UpdateText(S& state, std::wstring_view text, uint32_t codePage) {
    if (text.empty()) return;
    if (codePage == cpNone || codePage == cpUTF16LE) {
      FeedAll(state, text.data(), text.size() * sizeof(wchar_t));
      return;
    }
    std::string bytes = zoEncodeText(text, codePage);
    FeedAll(state, bytes.data(), bytes.size());
  }
  template <class S>
  static void UpdateBytes(S& state, const std::vector<uint8_t>& bytes) {
    FeedAll(state, bytes.data(), bytes.size());
  }

  // From the stream's position to its end. A memory stream is hashed in place
  // (position unchanged, no progress); others in 256-byte steps with progress.
  template <class S>
  static void UpdateFromStream(S& state, TStream& stream, const TZORHashProgress& progress = nullptr);
  // Raises the file stream's open error when the file cannot be opened.
  template <class S>
  static void UpdateFromFile(S& state, const std::wstring& fileName, const TZORHashProgress& progress = nullptr);

private:
  template <class S>
  static void FeedAll(S& state, const void* data, size_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
      uint32_t n = static_cast<uint32_t>(size > 0x80000000u ? 0x80000000u : size);
      H::Update(state, p, n);
      p += n;
      size -= n;
    }
  }
};

// CRC-32: polynomial 0x04C11DB7, not reflected, initial value 0, no final XOR.
class TZORHashCRC32 : public TZORHash<TZORHashCRC32> {
public:
  struct State {
    uint32_t Value = 0;
    const uint32_t* Table = nullptr;
  };
  using Result = uint32_t;
  static const uint32_t* DefaultTable();
  static void Initialize(State& state) { Initialize(state, 0, DefaultTable()); }
  static void Initialize(State& state, uint32_t initialValue, const uint32_t* table);
  static void Update(State& state, const void* data, uint32_t size);
  static Result Finalize(State& state) { return state.Value; }
};

// Bob Jenkins' lookup3 hashlittle, chained through the running value.
class TZORHashBobJenkins : public TZORHash<TZORHashBobJenkins> {
public:
  using State = uint32_t;
  using Result = int32_t;
  static void Initialize(State& state) { state = 0; }
  static void Update(State& state, const void* data, uint32_t size);
  static Result Finalize(State& state) { return static_cast<int32_t>(state); }
  // One lookup3 hashlittle call.
  static uint32_t HashLittle(const void* data, size_t size, uint32_t initval);
};

// Digests of the system's crypto provider; results are lower-case hexadecimal.
class TZORHashCryptoApiBased {
public:
  struct State {
    uintptr_t Provider = 0;
    uintptr_t Hash = 0;
  };
  using Result = std::wstring;

protected:
  // Each failing system call raises the OS error; a failed Initialize leaves no state.
  static void CryptoInitialize(State& state, uint32_t algorithmId);
  static void CryptoUpdate(State& state, const void* data, uint32_t size);
  // Releases the hash object and the provider whether or not the queries succeed.
  static Result CryptoFinalize(State& state);
  // A new hash object of the same algorithm on the same provider.
  static void CryptoReset(State& state);
  static void FreeState(State& state);
};

class TZORHashMD5 : public TZORHashCryptoApiBased, public TZORHash<TZORHashMD5> {
public:
  using State = TZORHashCryptoApiBased::State;
  using Result = TZORHashCryptoApiBased::Result;
  static constexpr uint32_t AlgorithmId = 0x8003;
  static void Initialize(State& state) { CryptoInitialize(state, AlgorithmId); }
  static void Update(State& state, const void* data, uint32_t size) { CryptoUpdate(state, data, size); }
  static Result Finalize(State& state) { return CryptoFinalize(state); }
  static void Reset(State& state) { CryptoReset(state); }
};

// ELF hash over UTF-16 code units; ignoreCase upper-cases with the user's locale first.
uint32_t ElfHash(std::wstring_view text, bool ignoreCase);
uint32_t ElfHash(const wchar_t* text, size_t length, bool ignoreCase);

// --- template bodies -----------------------------------------------------------
#include "zor/base/Streams.h"

template <class H>
template <class S>
void TZORHash<H>::UpdateFromStream(S& state, TStream& stream, const TZORHashProgress& progress) {
  const int64_t size = stream.Size();
  if (auto* mem = dynamic_cast<TCustomMemoryStream*>(&stream)) {
    int64_t pos = mem->Position();
    if (pos < size) FeedAll(state, mem->Memory() + pos, static_cast<size_t>(size - pos));
    return;
  }
  uint8_t buffer[256];
  for (;;) {
    int64_t n = stream.Read(buffer, sizeof buffer);
    if (n > 0) H::Update(state, buffer, static_cast<uint32_t>(n));
    int64_t pos = stream.Position();
    if (progress && size != 0) progress(static_cast<float>(pos) / static_cast<float>(size) * 100.0f);
    // A stream that stops short of its size would otherwise loop for ever.
    if (pos >= size || n <= 0) break;
  }
}

template <class H>
template <class S>
void TZORHash<H>::UpdateFromFile(S& state, const std::wstring& fileName, const TZORHashProgress& progress) {
  // Buffered: the 256-byte steps then cost a copy, not a system call.
  TZORBufferedFileStream file(fileName, fmOpenRead | fmShareDenyNone);
  UpdateFromStream(state, file, progress);
}
