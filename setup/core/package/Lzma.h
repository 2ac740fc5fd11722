#pragma once
// LZMA1 in the package layout: 5 property bytes, then range-coded data without
// an end marker, decoded to a known size.
#include <cstdint>
#include <functional>

class TStream;

// May change the bytes in place (the package's XOR key).
using TPreprocessor = std::function<void(uint8_t* data, size_t count)>;

struct TLZMAStreams {
  TPreprocessor DestPreprocessor;
  TStream* DestStream = nullptr;
  TPreprocessor SourcePreprocessor;
  TStream* SourceStream = nullptr;
};

// Codes: 0 done, 1 data ended or invalid (not raised: the caller's size and
// CRC checks report it), 2 out of memory, 4 bad properties, 9 short write.
// Other codes raise EInvalidOperation "LZMA Error (%d)".
int LzmaDecompress(TStream& source, TStream& dest, uint64_t unpackedSize, const TPreprocessor& sourcePreprocessor);
// Writes the property bytes and the data of the rest of source; raises on any failure.
void LzmaCompress(TStream& source, TStream& dest, int level, const TPreprocessor& destPreprocessor);
