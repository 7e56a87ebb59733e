#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
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

// Reserves room for count elements, which the caller will fill, advised and made present as
// above before the vector's first write.
template <class T>
void reserveLarge(std::vector<T>& vector, std::size_t count) {
  vector.reserve(count);
  adviseLargePages(vector.data(), vector.capacity() * sizeof(T));
  populatePages(vector.data(), vector.capacity() * sizeof(T));
}

// Sizes an empty vector to count copies of value in memory reserved as above.
template <class T>
void assignLarge(std::vector<T>& vector, std::size_t count, const T& value = T()) {
  reserveLarge(vector, count);
  vector.assign(count, value);
}
