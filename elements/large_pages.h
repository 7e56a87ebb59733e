#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// A large body's arrays (its elements, and the fast evaluation's points, water tetrahedra and
// per-element data) take tens of megabytes that are written once, front to back. Touching them a
// page of 4 kB at a time costs a fault per page, which on a virtual machine took a third of the
// reading and preparing of a 100,000-hexahedron body. Where the system offers pages of 2 MB on
// request, such an array asks for them before it is first written; elsewhere nothing changes.

// Asks for large pages under [data, data + bytes), when the range is large enough to hold one.
// Only a request: the contents and the addresses stay as they are, and a refusal changes nothing.
void adviseLargePages(void* data, std::size_t bytes);

// Makes the pages under [data, data + bytes) present and writable at once, where the system can,
// as their first writes would one fault at a time: for an array that will be filled whole.
// Contents stay as they are.
void populatePages(void* data, std::size_t bytes);

// An array of count elements left uninitialised (the caller writes an element before reading
// it), with its memory advised as above before anything is written into it.
template <class T>
std::unique_ptr<T[]> makeLargeArray(std::size_t count) {
  static_assert(std::is_trivially_default_constructible_v<T>, "the array is written by the caller");
  std::unique_ptr<T[]> array(new T[count]);
  adviseLargePages(array.get(), count * sizeof(T));
  return array;
}

// The allocator of a vector whose elements are written after it is sized, by several threads
// side by side: resize leaves elements it would value-initialise uninitialised (trivial ones
// untouched), so that no page is written, and made present, by the thread that sizes it.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <class T>
using LargeVector = std::vector<T, UninitialisedAllocator<T>>;

// Sizes an empty vector to exactly count elements, left unwritten, advised as above: the caller
// makes its pages present (populatePart) and writes every element.
template <class T>
void sizeLarge(LargeVector<T>& vector, std::size_t count) {
  static_assert(std::is_trivially_default_constructible_v<T>,
                "the vector is written by the caller");
  vector.reserve(count);
  adviseLargePages(vector.data(), vector.capacity() * sizeof(T));
  vector.resize(count);
}

// Makes part `part` of `parts` equal parts of the vector's memory (its capacity) present: the
// parts together make all of it present, each part on the thread that asks for it.
template <class T, class A>
void populatePart(std::vector<T, A>& vector, std::size_t part, std::size_t parts) {
  const std::size_t count = vector.capacity();
  const std::size_t begin = count * part / parts, end = count * (part + 1) / parts;
  populatePages(vector.data() + begin, (end - begin) * sizeof(T));
}

// Reserves room for count elements, advised as above; the caller makes them present (populatePart).
template <class T, class A>
void reserveAdvised(std::vector<T, A>& vector, std::size_t count) {
  vector.reserve(count);
  adviseLargePages(vector.data(), vector.capacity() * sizeof(T));
}
