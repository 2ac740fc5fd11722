#include "setup/core/package/Lzma.h"

#include <lzma.h>

#include <memory>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

#include "zor/base/Streams.h"
#include "zor/base/Strings.h"

namespace {
constexpr size_t kBuffer = 64 * 1024;

[[noreturn]] void RaiseLzma(int code) { throw EInvalidOperation(zoFormat(L"LZMA Error (%d)", code)); }

void* Alloc(void*, size_t count, size_t size) { return calloc(count, size); }
void Free(void*, void* p) { free(p); }
const lzma_allocator kAllocator = {Alloc, Free, nullptr};

// Reads through the source preprocessor.
size_t ReadSome(const TLZMAStreams& s, uint8_t* buffer, size_t count) {
  int64_t n = s.SourceStream->Read(buffer, static_cast<int64_t>(count));
  if (n <= 0) return 0;
  if (s.SourcePreprocessor) s.SourcePreprocessor(buffer, static_cast<size_t>(n));
  return static_cast<size_t>(n);
}

// Writes through the destination preprocessor; the count the stream accepted.
int64_t WriteSome(const TLZMAStreams& s, uint8_t* buffer, size_t count) {
  if (s.DestPreprocessor) s.DestPreprocessor(buffer, count);
  return s.DestStream->Write(buffer, static_cast<int64_t>(count));
}

// Takes the page faults of a large output buffer on the other core, ahead of
// the decoder: first touches are expensive on some machines, and the decoder
// would otherwise pay for each page itself. It only touches pages beyond the
// window the decoder may write in its current step.
class TPrefaulter {
public:
  static constexpr uint64_t kStep = 1 << 20;  // the most the decoder writes per step
  TPrefaulter(uint8_t* memory, uint64_t size) : FMemory(memory), FSize(size) {
    if (size >= 8 * kStep && std::thread::hardware_concurrency() > 1) FThread = std::thread([this] { Run(); });
  }
  ~TPrefaulter() {
    FDone.store(true);
    if (FThread.joinable()) FThread.join();
  }
  void Written(uint64_t produced) { FWritten.store(produced, std::memory_order_release); }

private:
  void Run() {
    constexpr uint64_t kPage = 4096, kAhead = 32 * kStep;
    uint64_t next = 0;
    while (!FDone.load(std::memory_order_relaxed) && next < FSize) {
      uint64_t written = FWritten.load(std::memory_order_acquire);
      uint64_t from = std::max(next, (written + kStep + kPage) & ~(kPage - 1));
      if (from >= written + kAhead) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      uint64_t to = std::min(FSize, from + kStep);
      for (uint64_t p = from; p < to; p += kPage) *reinterpret_cast<volatile uint8_t*>(FMemory + p) = 0;
      next = to;
    }
  }
  uint8_t* FMemory;
  uint64_t FSize;
  std::atomic<uint64_t> FWritten{0};
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

int Decode(const TLZMAStreams& s, uint64_t unpackedSize) {
  uint8_t props[5];
  if (ReadSome(s, props, 5) != 5) return 1;
  if (props[0] > 224) return 4;
  uint32_t dict = props[1] | props[2] << 8 | props[3] << 16 | uint32_t(props[4]) << 24;
  // No match can reach further back than the output itself: a dictionary larger
  // than the content only costs memory.
  uint64_t needed = std::max<uint64_t>(4096, std::min<uint64_t>(dict, unpackedSize));
  dict = static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(dict, 4096), needed));
  // The legacy header: properties, dictionary size, 64-bit unpacked size.
  uint8_t header[13] = {props[0]};
  for (int i = 0; i < 4; ++i) header[1 + i] = static_cast<uint8_t>(dict >> (8 * i));
  for (int i = 0; i < 8; ++i) header[5 + i] = static_cast<uint8_t>(unpackedSize >> (8 * i));

  lzma_stream z = LZMA_STREAM_INIT;
  z.allocator = &kAllocator;
  if (lzma_alone_decoder(&z, UINT64_MAX) != LZMA_OK) return 2;
  struct TEnd {
    lzma_stream* Z;
    ~TEnd() { lzma_end(Z); }
  } end{&z};

  // Straight into the destination's memory when it is a memory stream.
  auto* memory = dynamic_cast<TMemoryStream*>(s.DestStream);
  std::vector<uint8_t> input(kBuffer), output(memory && !s.DestPreprocessor ? 0 : kBuffer);
  int64_t base = 0;
  if (output.empty()) {
    base = memory->Position();
    try {
      memory->SetSize(base + static_cast<int64_t>(unpackedSize));
    } catch (const std::bad_alloc&) {
      return 2;
    }
  }
  z.next_in = header;
  z.avail_in = sizeof header;
  uint64_t produced = 0;
  std::unique_ptr<TPrefaulter> prefaulter;
  if (output.empty()) prefaulter = std::make_unique<TPrefaulter>(memory->Memory() + base, unpackedSize);
  while (produced < unpackedSize) {
    if (z.avail_in == 0) {
      size_t n = ReadSome(s, input.data(), input.size());
      if (n == 0) break;
      z.next_in = input.data();
      z.avail_in = n;
    }
    uint64_t want = unpackedSize - produced;
    if (output.empty()) {
      z.next_out = memory->Memory() + base + produced;
      z.avail_out = static_cast<size_t>(std::min<uint64_t>(want, TPrefaulter::kStep));
    } else {
      z.next_out = output.data();
      z.avail_out = static_cast<size_t>(std::min<uint64_t>(want, output.size()));
    }
    size_t before = z.avail_out;
    lzma_ret r = lzma_code(&z, LZMA_RUN);
    size_t got = before - z.avail_out;
    if (!output.empty() && got > 0 && WriteSome(s, output.data(), got) != static_cast<int64_t>(got)) return 9;
    produced += got;
    if (prefaulter) prefaulter->Written(produced);
    if (r == LZMA_MEM_ERROR || r == LZMA_MEMLIMIT_ERROR) return 2;
    if (r == LZMA_STREAM_END) break;
    if (r != LZMA_OK) break;
  }
  prefaulter.reset();
  if (output.empty()) {
    memory->SetSize(base + static_cast<int64_t>(produced));
    memory->SetPosition(base + static_cast<int64_t>(produced));
  }
  return produced == unpackedSize ? 0 : 1;
}
}  // namespace

int LzmaDecompress(TStream& source, TStream& dest, uint64_t unpackedSize, const TPreprocessor& sourcePreprocessor) {
  TLZMAStreams s{nullptr, &dest, sourcePreprocessor, &source};
  int code = Decode(s, unpackedSize);
  if (code != 0 && code != 1) RaiseLzma(code);
  return code;
}

void LzmaCompress(TStream& source, TStream& dest, int level, const TPreprocessor& destPreprocessor) {
  TLZMAStreams s{destPreprocessor, &dest, nullptr, &source};
  int64_t total = source.Size() - source.Position();
  if (total < 0) total = 0;

  lzma_options_lzma opt{};
  if (lzma_lzma_preset(&opt, static_cast<uint32_t>(std::clamp(level, 0, 9)))) RaiseLzma(LZMA_OPTIONS_ERROR);
  // The classic encoder's level rules, which decide the property bytes.
  opt.dict_size = level <= 5 ? 1u << (2 * level + 14) : level == 6 ? 32u << 20 : 64u << 20;
  opt.lc = 3;
  opt.lp = 0;
  opt.pb = 2;
  opt.nice_len = level < 7 ? 32 : 64;
  bool fast = level <= 4;
  opt.mode = fast ? LZMA_MODE_FAST : LZMA_MODE_NORMAL;
  opt.mf = fast ? LZMA_MF_HC4 : LZMA_MF_BT4;
  opt.depth = (16 + opt.nice_len / 2) / (fast ? 2 : 1);
  lzma_set_ext_size(opt, static_cast<uint64_t>(total));  // known size: no end marker

  lzma_filter props[2] = {{LZMA_FILTER_LZMA1, &opt}, {LZMA_VLI_UNKNOWN, nullptr}};
  uint32_t propsSize = 0;
  uint8_t propBytes[5];
  if (lzma_properties_size(&propsSize, props) != LZMA_OK || propsSize != 5 ||
      lzma_properties_encode(props, propBytes) != LZMA_OK)
    RaiseLzma(LZMA_OPTIONS_ERROR);
  if (WriteSome(s, propBytes, 5) != 5) RaiseLzma(9);

  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &opt}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream z = LZMA_STREAM_INIT;
  z.allocator = &kAllocator;
  lzma_ret r = lzma_raw_encoder(&z, filters);
  if (r != LZMA_OK) RaiseLzma(r == LZMA_MEM_ERROR ? 2 : static_cast<int>(r));
  struct TEnd {
    lzma_stream* Z;
    ~TEnd() { lzma_end(Z); }
  } end{&z};

  auto* memory = dynamic_cast<TCustomMemoryStream*>(&source);
  std::vector<uint8_t> input(memory ? 0 : kBuffer), output(kBuffer);
  if (memory) {
    z.next_in = memory->Memory() + memory->Position();
    z.avail_in = static_cast<size_t>(total);
    memory->Seek(total, TSeekOrigin::soCurrent);
  }
  for (;;) {
    lzma_action action = LZMA_RUN;
    if (!memory && z.avail_in == 0) {
      size_t n = ReadSome(s, input.data(), input.size());
      z.next_in = input.data();
      z.avail_in = n;
    }
    if (memory || z.avail_in == 0) action = LZMA_FINISH;
    z.next_out = output.data();
    z.avail_out = output.size();
    r = lzma_code(&z, action);
    size_t got = output.size() - z.avail_out;
    if (got > 0 && WriteSome(s, output.data(), got) != static_cast<int64_t>(got)) RaiseLzma(9);
    if (r == LZMA_STREAM_END) return;
    if (r != LZMA_OK) RaiseLzma(r == LZMA_MEM_ERROR ? 2 : static_cast<int>(r));
  }
}
