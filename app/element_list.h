#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <deque>

// Gathers the elements of one kind while a SET file is read, in file order, until their number is
// known and the body's array can be allocated at its exact size. A deque: it grows
// without moving the elements already read, so a large file is never copied while it is read.
template <class Element>
class ElementList {
 public:
  // Appends a copy of the element.
  void append(const Element& element) { elements_.push_back(element); }
  std::size_t count() const { return elements_.size(); }
  // Copies the elements in list order into array[0 .. length - 1]. Does nothing at all when length
  // differs from count(), so a wrongly sized array is never written past its end.
  void copyTo(Element* array, std::size_t length) const {
    assert(length == elements_.size() && "the body's array must be allocated at the list's size");
    if (length != elements_.size())
      return;
    std::copy(elements_.begin(), elements_.end(), array);
  }

 private:
  std::deque<Element> elements_;
};
