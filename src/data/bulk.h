#pragma once
// Large zero-filled buffers made at start-up (pictures, the asset pack) and
// kept until shutdown or released at set-up: carved out of big blocks of
// address space on 2 MiB pages where the kernel has them free, and written
// through when handed out, so a frame that touches them never takes a page
// fault. Smaller buffers are ordinary heap memory.
#include <cstddef>
#include <cstdint>
#include <new>

// From this size on a buffer comes out of the blocks; below it from the heap
// (where sanitizers watch its bounds).
constexpr size_t BulkFromBytes = 256 * 1024;
// Address space reserved per block; a larger buffer gets a block of its own.
constexpr size_t BulkBlockBytes = size_t(64) << 20;
// Buffers in the blocks start on this boundary.
constexpr size_t BulkAlignment = 64;

// bytes zero bytes (at least one), or nullptr when the memory cannot be had.
void* allocateBulk(size_t bytes);
// Releases a buffer of allocateBulk; nullptr does nothing. Released room in a
// block is handed out again (zeroed first); a block with nothing left in it
// goes back to the system.
void releaseBulk(void* p);
// For the large tables of effects (std::vector<T, BulkAllocator<T>>): the same
// memory as the pictures, so they too cost no page fault per 4 KiB.
template <class T>
struct BulkAllocator {
  using value_type = T;
  BulkAllocator() = default;
  template <class U>
  BulkAllocator(const BulkAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* p = allocateBulk(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) { releaseBulk(p); }
  template <class U>
  bool operator==(const BulkAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const BulkAllocator<U>&) const {
    return false;
  }
};

// Blocks held now and the bytes handed out of them (for tests).
size_t bulkBlockCount();
size_t bulkBytesInBlocks();

// The free 2 MiB blocks (and larger ones, counted in 2 MiB) of a
// /proc/buddyinfo text, the DMA zone left out; a block is put on huge pages
// only while enough are free. Lines it cannot read count 0.
uint64_t freeHugePageBlocks(const char* buddyinfo);
