#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

// The messages of one dictionary's words, each a view into a buffer kept
// elsewhere, stored as eight bytes from the first one pushed rather than a
// view's sixteen: a million words in two files cost 16 MB less.
class MessageList {
 public:
  // Each message must lie in the buffer of the first one, after it, and
  // within 4 GiB of it; throws std::length_error for one that does not.
  void push_back(std::string_view message);
  void reserve(std::size_t count) { spans_.reserve(count); }

  std::size_t size() const { return spans_.size(); }
  bool empty() const { return spans_.empty(); }
  std::string_view operator[](std::size_t i) const {
    return {base_ + spans_[i].offset, spans_[i].size};
  }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const MessageList* list, std::size_t at) : list_(list), at_(at) {}
    std::string_view operator*() const { return (*list_)[at_]; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return at_ == other.at_; }

   private:
    const MessageList* list_ = nullptr;
    std::size_t at_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  struct Span {
    std::uint32_t offset;
    std::uint32_t size;
  };
  const char* base_ = nullptr;
  std::vector<Span> spans_;
};
