// The buffers of pictures and the pack: zeroed, aligned, room handed out again
// after a release (zeroed again), blocks given back once empty.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "data/bulk.h"
#include "data/util.h"
#include "fixtures.h"

namespace {

bool allZero(const void* p, size_t n) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ShadowMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool ShadowMemory = true;
#else
constexpr bool ShadowMemory = false;
#endif
#else
constexpr bool ShadowMemory = false;
#endif

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

}  // namespace

// Buffers are written through when handed out, fresh room and room handed out
// again alike: filling them later (a frame drawing) takes no page fault.
TEST(Bulk, FillingBuffersTakesNoPageFault) {
  // AddressSanitizer maps its shadow of the buffers at their first write.
  if (ShadowMemory) GTEST_SKIP() << "the address sanitizer's shadow memory takes faults of its own";
  const size_t sizes[] = {1280 * 720 * 4, BulkFromBytes + 100, 640 * 360 * 4, 1734 * 1174 * 4};
  std::vector<uint8_t*> buffers;
  for (size_t n : sizes) buffers.push_back(static_cast<uint8_t*>(allocateBulk(n)));
  releaseBulk(buffers[1]);
  buffers[1] = static_cast<uint8_t*>(allocateBulk(sizes[1] - 64));
  for (uint8_t* p : buffers) ASSERT_NE(p, nullptr);
  const long before = minorFaults();
  for (size_t i = 0; i < buffers.size(); ++i) std::memset(buffers[i], 0x5A, i == 1 ? sizes[1] - 64 : sizes[i]);
  EXPECT_EQ(minorFaults() - before, 0);
  for (uint8_t* p : buffers) releaseBulk(p);
}

TEST(Bulk, LargeBuffersShareBlocksAndComeBackZeroed) {
  const size_t blocksBefore = bulkBlockCount();
  const size_t size = BulkFromBytes + 4;  // not a multiple of the alignment
  uint8_t* a = static_cast<uint8_t*>(allocateBulk(size));
  uint8_t* b = static_cast<uint8_t*>(allocateBulk(size));
  uint8_t* c = static_cast<uint8_t*>(allocateBulk(size));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(c, nullptr);
  for (uint8_t* p : {a, b, c}) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % BulkAlignment, 0u);
    EXPECT_TRUE(allZero(p, size));
    std::memset(p, 0xA5, size);
  }
  // Where no other buffer is live (each test runs in a process of its own):
  // one after another in one block, apart by the size rounded to the alignment.
  const bool alone = blocksBefore == 0;
  const size_t step = (size + BulkAlignment - 1) / BulkAlignment * BulkAlignment;
  if (alone) {
    EXPECT_EQ(b - a, ptrdiff_t(step));
    EXPECT_EQ(c - b, ptrdiff_t(step));
    EXPECT_EQ(bulkBlockCount(), 1u);
  }

  // The rooms of a and b merge: a buffer of twice the size fits where they were,
  // zeroed although both were written, and c is untouched.
  releaseBulk(b);
  releaseBulk(a);
  uint8_t* ab = static_cast<uint8_t*>(allocateBulk(2 * step));
  if (alone) {
    EXPECT_EQ(ab, a);
  }
  EXPECT_TRUE(allZero(ab, 2 * step));
  for (size_t i = 0; i < size; ++i) ASSERT_EQ(c[i], 0xA5) << i;

  releaseBulk(ab);
  releaseBulk(c);
  EXPECT_EQ(bulkBlockCount(), blocksBefore);
}

TEST(Bulk, ABufferLargerThanABlockGetsItsOwn) {
  const size_t blocksBefore = bulkBlockCount();
  const size_t bytesBefore = bulkBytesInBlocks();
  const size_t size = BulkBlockBytes + 12345;
  uint8_t* big = static_cast<uint8_t*>(allocateBulk(size));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(bulkBlockCount(), blocksBefore + 1);
  EXPECT_EQ(big[0] | big[size / 2] | big[size - 1], 0);
  big[size - 1] = 7;
  EXPECT_GE(bulkBytesInBlocks(), bytesBefore + size);
  releaseBulk(big);
  EXPECT_EQ(bulkBlockCount(), blocksBefore);
  EXPECT_EQ(bulkBytesInBlocks(), bytesBefore);
}

TEST(Bulk, SmallBuffersComeFromTheHeap) {
  const size_t bytesBefore = bulkBytesInBlocks();
  void* none = allocateBulk(0);
  uint8_t* small = static_cast<uint8_t*>(allocateBulk(BulkFromBytes - 1));
  ASSERT_NE(none, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_TRUE(allZero(small, BulkFromBytes - 1));
  EXPECT_EQ(bulkBytesInBlocks(), bytesBefore);
  releaseBulk(none);
  releaseBulk(small);
  releaseBulk(nullptr);
}

// Random sizes, released in a shuffled order and allocated again: every buffer
// handed out is zero and no two live buffers overlap.
TEST(Bulk, RandomAllocationsNeverOverlapAndAreZero) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  struct Live {
    uint8_t* p;
    size_t n;
    uint8_t mark;
  };
  std::vector<Live> live;
  const size_t blocksBefore = bulkBlockCount();
  for (int round = 0; round < 300; ++round) {
    if (!live.empty() && next() % 3 == 0) {
      const size_t i = next() % live.size();
      for (size_t k = 0; k < live[i].n; k += 4093) ASSERT_EQ(live[i].p[k], live[i].mark) << "round " << round;
      releaseBulk(live[i].p);
      live.erase(live.begin() + ptrdiff_t(i));
      continue;
    }
    const size_t n = BulkFromBytes + next() % (6u << 20);
    uint8_t* p = static_cast<uint8_t*>(allocateBulk(n));
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(allZero(p, n)) << "round " << round;
    for (const Live& l : live) ASSERT_TRUE(p + n <= l.p || l.p + l.n <= p) << "round " << round;
    const uint8_t mark = uint8_t(1 + round % 250);
    std::memset(p, mark, n);
    live.push_back({p, n, mark});
  }
  for (const Live& l : live) releaseBulk(l.p);
  EXPECT_EQ(bulkBlockCount(), blocksBefore);
}

TEST(Bulk, WholeFilesAreReadIntoOneBuffer) {
  TempDir dir{"morvex-bulk"};
  std::string bytes(BulkFromBytes * 3 + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 131 + (i >> 9));
  std::ofstream("big.bin", std::ios::binary) << bytes;
  std::ofstream("small.bin", std::ios::binary) << "pack";
  std::ofstream("empty.bin", std::ios::binary);

  BulkFile file;
  ASSERT_EQ(readInputFile("big.bin", uint64_t(1) << 30, file), InputFileProblem::Ok);
  ASSERT_EQ(file.size, bytes.size());
  EXPECT_EQ(std::memcmp(file.data, bytes.data(), bytes.size()), 0);
  ASSERT_EQ(readInputFile("small.bin", 4, file), InputFileProblem::Ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data), file.size), "pack");
  ASSERT_EQ(readInputFile("empty.bin", 4, file), InputFileProblem::Ok);
  EXPECT_EQ(file.size, 0u);

  // A file whose size says 0 but holds bytes (as the kernel's own files do):
  // the buffer grows while it is read, up to the limit and one byte past it.
  std::vector<uint8_t> expected;
  ASSERT_EQ(readInputFile("/proc/self/cmdline", 4096, expected), InputFileProblem::Ok);
  ASSERT_GT(expected.size(), 4u);
  ASSERT_EQ(readInputFile("/proc/self/cmdline", 4096, file), InputFileProblem::Ok);
  ASSERT_EQ(file.size, expected.size());
  EXPECT_EQ(std::memcmp(file.data, expected.data(), expected.size()), 0);
  EXPECT_EQ(readInputFile("/proc/self/cmdline", expected.size() - 1, file), InputFileProblem::TooLarge);
  ASSERT_EQ(readInputFile("/proc/self/cmdline", expected.size(), file), InputFileProblem::Ok);
  EXPECT_EQ(file.size, expected.size());

  // Every failure leaves the file empty.
  EXPECT_EQ(readInputFile("small.bin", 3, file), InputFileProblem::TooLarge);
  EXPECT_EQ(file.data, nullptr);
  EXPECT_EQ(file.size, 0u);
  EXPECT_EQ(readInputFile("missing.bin", 4, file), InputFileProblem::Open);
  EXPECT_EQ(readInputFile(".", 4, file), InputFileProblem::NotRegular);
  EXPECT_EQ(file.data, nullptr);
  releaseBulkFile(file);
}

// A table of std::vector on the same memory: large ones in the blocks, values
// kept when it grows, everything given back when it goes.
TEST(Bulk, VectorsOfTheBulkAllocator) {
  const size_t bytesBefore = bulkBytesInBlocks();
  {
    std::vector<float, BulkAllocator<float>> table;
    table.assign(1280 * 720, 0.01f);
    EXPECT_GE(bulkBytesInBlocks(), bytesBefore + 1280 * 720 * sizeof(float));
    for (size_t i = 0; i < table.size(); ++i) table[i] = float(i);
    table.resize(table.size() * 2 + 1);
    for (size_t i = 0; i < 1280 * 720; i += 997) ASSERT_EQ(table[i], float(i));
    EXPECT_EQ(table.back(), 0.0f);
  }
  EXPECT_EQ(bulkBytesInBlocks(), bytesBefore);
}
