// No SET file may make the program allocate beyond what its size justifies: the memory of a read
// grows with the number of elements (and skipped keyword lines) the file spells out, each of
// which costs the file some bytes, and never with the numbers it holds or the length of a line.
// The heap is measured through the global operator new of this test program (every ordinary
// and nothrow form is replaced, so that each allocation is freed by its own kind).

#include <gtest/gtest.h>
#include <malloc.h>  // malloc_usable_size, or _msize on Windows

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/input/set_file_reader.h"
#include "app/reader_test_support.h"
#include "fuzz/input_checks.h"

namespace {

std::size_t usableSize(void* p) {
#ifdef _WIN32
  return _msize(p);
#else
  return malloc_usable_size(p);
#endif
}

std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void noteAllocation(long long delta) {
  const long long now = liveBytes += delta;
  long long peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
}

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr)
    throw std::bad_alloc();
  noteAllocation(static_cast<long long>(usableSize(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr)
    return;
  noteAllocation(-static_cast<long long>(usableSize(p)));
  std::free(p);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p != nullptr)
    noteAllocation(static_cast<long long>(usableSize(p)));
  return p;
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  operator delete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  operator delete(p);
}
void operator delete[](void* p) noexcept {
  operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

const std::string kHeader = "Volume of Displacement=1\nGra_Pt.x=0\nGra_Pt.y=0\nGra_Pt.z=0\n";

// The largest number of heap bytes alive at once while `work` ran, above what was alive before.
template <class Work>
long long peakOf(Work work) {
  const long long before = liveBytes.load();
  peakBytes = before;
  work();
  return peakBytes.load() - before;
}

// The file is a temporary file, so that only the reader's own memory is measured.
long long peakOfReading(const std::string& text, bool prepareSolve) {
  const reader_test::FilePtr file = reader_test::streamOf(text);
  return peakOf([&] {
    FloatingBody body;
    SetFileError error;
    std::vector<SetFileWarning> warnings;
    parseSetFile(file.get(), body, error, warnings);
    if (prepareSolve && input_checks::elementCount(body) > 0)
      body.prepareFastEvaluation(1);
  });
}

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i)
    text += piece;
  return text;
}

struct Shape {
  const char* name;
  std::string head, piece, tail;
  bool prepareSolve;
  double bytesPerFileByte;  // the bound of the peak, per byte of the file
};

// The shortest blocks and lines that cost memory, with bounds of about twice what they cost now.
// A cylinder is the costliest: 25 bytes of file for the element (some 11 bytes of heap per byte
// while it is read) and its 30-sector discretisation in the fast evaluation (64 points, 90 water
// tetrahedra: some 6 KB, 240 bytes per byte). A skipped keyword-like line of 9 bytes keeps a
// warning of some 270 bytes until it is written.
std::vector<Shape> shapes() {
  return {
      {"cylinders, read", kHeader, "Cylinder\n0,0,0\n1\n0,0,1\n1\n", "", false, 24},
      {"cylinders, ready to solve", kHeader, "Cylinder\n0,0,0\n1\n0,0,1\n1\n", "", true, 480},
      {"tetrahedra", kHeader, "Tetrahedron\n0,0,0\n1,0,0\n0,1,0\n0,0,1\n", "", true, 28},
      {"keyword-like lines", kHeader, "cylinder\n", "", false, 60},
      {"tetrahedra, then a broken block", kHeader, "Tetrahedron\n0,0,0\n1,0,0\n0,1,0\n0,0,1\n",
       "Tetrahedron\n0,0,x\n", false, 20},
  };
}

// The memory grows in proportion to the file, within the bound per byte.
TEST(AllocationBound, ReadingAllocatesInProportionToTheFile) {
  for (const Shape& shape : shapes()) {
    SCOPED_TRACE(shape.name);
    const std::string small = shape.head + repeated(shape.piece, 2000) + shape.tail;
    const std::string large = shape.head + repeated(shape.piece, 8000) + shape.tail;
    const long long smallPeak = peakOfReading(small, shape.prepareSolve);
    const long long largePeak = peakOfReading(large, shape.prepareSolve);
    EXPECT_LE(static_cast<double>(largePeak),
              shape.bytesPerFileByte * static_cast<double>(large.size()));
    // Four times the file, about four times the memory (not sixteen).
    EXPECT_LE(largePeak, 5 * smallPeak + 65536) << smallPeak << " then " << largePeak;
    EXPECT_GE(largePeak, 3 * smallPeak) << smallPeak << " then " << largePeak;
  }
}

// Lines are read in pieces of 99 characters and numbers are scanned in place: a line of 16 MB,
// skipped or holding a number of 16 million digits, costs no memory of its own.
TEST(AllocationBound, HugeLinesAndNumbersCostNoMemory) {
  const std::string huge(16 << 20, '7');
  const std::string texts[] = {
      kHeader + huge,
      kHeader + huge + "\nCylinder\n0,0,0\n1\n0,0,1\n1\n",
      "Volume of Displacement=" + huge + "\n",
      kHeader + "Tetrahedron\n0,0,0\n1," + huge + ",0\n0,1,0\n0,0,1\n",
  };
  for (const std::string& text : texts)
    EXPECT_LT(peakOfReading(text, true), 256 * 1024);
}

// The capital letters of the keywords, repeated without the blocks they would begin, cost no
// memory: the arrays grow with the blocks read, never with letters counted ahead. A valid block
// before or after them costs its own room alone.
TEST(AllocationBound, KeywordLettersWithoutBlocksCostNoMemory) {
  const std::string block = "Hexahedron\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n1,0,1\n1,1,1\n0,1,1\n";
  std::string letters;
  for (const char* piece : {"H", "Ce", "Te", "Tr"})
    letters += std::string(std::size_t{4} << 20, piece[0]) + piece + "\n";
  const std::string texts[] = {
      kHeader + std::string(std::size_t{16} << 20, 'H'),
      kHeader + letters,
      kHeader + block + letters + block,
      kHeader + letters + "Cylinder\n0,0,0\n1\n0,0,1\n1\n",
  };
  for (const std::string& text : texts)
    EXPECT_LT(peakOfReading(text, false), 256 * 1024);
}

}  // namespace
