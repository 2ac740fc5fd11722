#include "zor/base/Hashes.h"

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstring>

// --- CRC-32 ----------------------------------------------------------------------

namespace {
// Table k gives the register contribution of a byte followed by k zero bytes,
// so eight bytes are folded per step.
using TCRCTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr TCRCTables MakeCRCTables() {
  TCRCTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    t[0][i] = c;
  }
  for (int k = 1; k < 8; ++k)
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  return t;
}
constexpr TCRCTables kCRC = MakeCRCTables();
static_assert(kCRC[0][1] == 0x04C11DB7u && kCRC[0][2] == 0x09823B6Eu);
}  // namespace

const uint32_t* TZORHashCRC32::DefaultTable() { return kCRC[0].data(); }

void TZORHashCRC32::Initialize(State& state, uint32_t initialValue, const uint32_t* table) {
  state.Value = initialValue;
  state.Table = table;
}

void TZORHashCRC32::Update(State& state, const void* data, uint32_t size) {
  auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = state.Value;
  if (state.Table == kCRC[0].data()) {
    while (size >= 8) {
      uint32_t hi = c ^ (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
      c = kCRC[7][hi >> 24] ^ kCRC[6][(hi >> 16) & 0xFF] ^ kCRC[5][(hi >> 8) & 0xFF] ^ kCRC[4][hi & 0xFF] ^
          kCRC[3][p[4]] ^ kCRC[2][p[5]] ^ kCRC[1][p[6]] ^ kCRC[0][p[7]];
      p += 8;
      size -= 8;
    }
  }
  const uint32_t* table = state.Table;
  while (size--) c = (c << 8) ^ table[(c >> 24) ^ *p++];
  state.Value = c;
}

// --- Bob Jenkins lookup3 -----------------------------------------------------------

namespace {
constexpr uint32_t Rot(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }
}  // namespace

uint32_t TZORHashBobJenkins::HashLittle(const void* data, size_t length, uint32_t initval) {
  uint32_t a, b, c;
  a = b = c = 0xdeadbeefu + static_cast<uint32_t>(length) + initval;
  auto* k = static_cast<const uint8_t*>(data);
  auto word = [](const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n && i < 4; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
  };
  while (length > 12) {
    a += word(k, 4);
    b += word(k + 4, 4);
    c += word(k + 8, 4);
    a -= c; a ^= Rot(c, 4);  c += b;
    b -= a; b ^= Rot(a, 6);  a += c;
    c -= b; c ^= Rot(b, 8);  b += a;
    a -= c; a ^= Rot(c, 16); c += b;
    b -= a; b ^= Rot(a, 19); a += c;
    c -= b; c ^= Rot(b, 4);  b += a;
    length -= 12;
    k += 12;
  }
  if (length == 0) return c;
  a += word(k, length);
  if (length > 4) b += word(k + 4, length - 4);
  if (length > 8) c += word(k + 8, length - 8);
  c ^= b; c -= Rot(b, 14);
  a ^= c; a -= Rot(c, 11);
  b ^= a; b -= Rot(a, 25);
  c ^= b; c -= Rot(b, 16);
  a ^= c; a -= Rot(c, 4);
  b ^= a; b -= Rot(a, 14);
  c ^= b; c -= Rot(b, 24);
  return c;
}

void TZORHashBobJenkins::Update(State& state, const void* data, uint32_t size) {
  constexpr uint32_t kPiece = 1u << 30;
  auto* p = static_cast<const uint8_t*>(data);
  while (size >= kPiece) {
    state = HashLittle(p, kPiece, state);
    p += kPiece;
    size -= kPiece;
  }
  if (size > 0 || p == data) state = HashLittle(p, size, state);
}

// --- crypto provider ----------------------------------------------------------------

void TZORHashCryptoApiBased::CryptoInitialize(State& state, uint32_t algorithmId) {
  state = {};
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) zoRaiseLastOSError();
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, algorithmId, 0, 0, &hash)) {
    DWORD err = GetLastError();
    CryptReleaseContext(provider, 0);
    zoRaiseOSError(err);
  }
  state.Provider = provider;
  state.Hash = hash;
}

void TZORHashCryptoApiBased::CryptoUpdate(State& state, const void* data, uint32_t size) {
  if (!CryptHashData(state.Hash, static_cast<const BYTE*>(data), size, 0)) zoRaiseLastOSError();
}

void TZORHashCryptoApiBased::FreeState(State& state) {
  HCRYPTHASH hash = state.Hash;
  HCRYPTPROV provider = state.Provider;
  state = {};
  bool hashOk = !hash || CryptDestroyHash(hash);
  DWORD err = hashOk ? 0 : GetLastError();
  bool providerOk = !provider || CryptReleaseContext(provider, 0);
  if (!hashOk) zoRaiseOSError(err);
  if (!providerOk) zoRaiseLastOSError();
}

TZORHashCryptoApiBased::Result TZORHashCryptoApiBased::CryptoFinalize(State& state) {
  DWORD size = 0, sizeLen = sizeof size;
  std::vector<BYTE> digest;
  bool ok = CryptGetHashParam(state.Hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLen, 0);
  if (ok) {
    digest.resize(size);
    ok = CryptGetHashParam(state.Hash, HP_HASHVAL, digest.data(), &size, 0);
  }
  DWORD err = ok ? 0 : GetLastError();
  FreeState(state);
  if (!ok) zoRaiseOSError(err);
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  text.reserve(digest.size() * 2);
  for (BYTE b : digest) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

void TZORHashCryptoApiBased::CryptoReset(State& state) {
  ALG_ID algorithm = 0;
  DWORD len = sizeof algorithm;
  if (!CryptGetHashParam(state.Hash, HP_ALGID, reinterpret_cast<BYTE*>(&algorithm), &len, 0)) zoRaiseLastOSError();
  if (!CryptDestroyHash(state.Hash)) zoRaiseLastOSError();
  state.Hash = 0;
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(state.Provider, algorithm, 0, 0, &hash)) zoRaiseLastOSError();
  state.Hash = hash;
}

// --- ELF -------------------------------------------------------------------------------

uint32_t ElfHash(const wchar_t* text, size_t length, bool ignoreCase) {
  wchar_t stack[64];
  std::wstring heap;
  if (ignoreCase && length > 0) {
    if (length <= 64) {
      int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text, static_cast<int>(length), stack, 64);
      if (n > 0) {
        text = stack;
        length = n;
      }
    } else {
      heap = zoUpperCase(std::wstring_view(text, length));
      text = heap.data();
      length = heap.size();
    }
  }
  uint32_t h = 0;
  for (size_t i = 0; i < length; ++i) {
    h = (h << 4) + static_cast<uint16_t>(text[i]);
    uint32_t g = h & 0xF0000000u;
    h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

uint32_t ElfHash(std::wstring_view text, bool ignoreCase) { return ElfHash(text.data(), text.size(), ignoreCase); }
