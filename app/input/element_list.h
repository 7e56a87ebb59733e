#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "elements/large_pages.h"

// Gathers the elements of one kind while a SET file is read, in file order, until their number is
// known. One array, which grows when full to the size the caller expects the kind to reach (at
// least double): a large file costs a few large allocations and copies instead of one allocation
// per pair of elements, and the array becomes the body's without a last copy. Its pages beyond
// the elements read are never written, so on systems that hand out memory as it is first written
// they cost address space only.
template <class Element>
class ElementList {
 public:
  // The slot the next element is read into, in place and value-initialised; the element joins
  // the list with keep(). A full array first grows to expected() elements (called only then), or
  // to twice its size if that is more or if the expected size cannot be had.
  template <typename Expected>
  Element& next(Expected expected) {
    if (count_ == capacity_)
      grow(expected());
    if (count_ == present_)
      makePresent(elements_.get(), present_);
    elements_[count_] = Element{};
    return elements_[count_];
  }
  void keep() { ++count_; }
  std::size_t count() const { return count_; }
  // Hands over the array, the elements in list order at [0, count()), and leaves the list empty.
  std::unique_ptr<Element[]> release() {
    count_ = capacity_ = present_ = 0;
    return std::move(elements_);
  }
  // Moves the elements of `other` behind this list's, in order, and leaves `other` empty: into
  // the room this array has, or into one array of exactly the total.
  void append(ElementList& other) {
    const std::size_t total = count_ + other.count_;
    if (total > capacity_)
      resize(total);
    if (total > present_) {
      populatePages(elements_.get() + present_, (total - present_) * sizeof(Element));
      present_ = total;
    }
    std::copy(other.elements_.get(), other.elements_.get() + other.count_,
              elements_.get() + count_);
    count_ = total;
    other.release();
  }

 private:
  // The array's pages are made present a step ahead of the elements, in one request per step
  // instead of a fault per page, and never far beyond them (the expected size is a guess).
  static constexpr std::size_t kPresentStep = (std::size_t{1} << 18) / sizeof(Element) + 1;
  // Makes array's elements from `from` on present, up to a step beyond the elements read.
  void makePresent(Element* array, std::size_t from) {
    present_ = std::min(capacity_, count_ + count_ / 8 + kPresentStep);
    populatePages(array + from, (present_ - from) * sizeof(Element));
  }
  void grow(std::size_t expected) {
    const std::size_t doubled = std::max<std::size_t>(64, 2 * capacity_);
    if (expected > doubled) {
      try {
        resize(expected);
        return;
      } catch (const std::bad_alloc&) {
      }
    }
    resize(doubled);
  }
  // Moves the elements into a new array of the capacity.
  void resize(std::size_t capacity) {
    std::unique_ptr<Element[]> larger = makeLargeArray<Element>(capacity);
    capacity_ = capacity;
    makePresent(larger.get(), 0);
    std::copy(elements_.get(), elements_.get() + count_, larger.get());
    elements_ = std::move(larger);
  }

  std::unique_ptr<Element[]> elements_;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  std::size_t present_ = 0;  // the elements [0, present_) lie on pages made present
};
