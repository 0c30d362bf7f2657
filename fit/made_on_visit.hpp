#pragma once
// An input iterator over a list whose items are made when they are visited rather than stored:
// *it is make(*source, index). The source is what the items are made from (the list itself, or
// the fit a view belongs to), so an iterator stays valid as long as that source does.
#include <cstddef>
#include <iterator>

template <class Source, class Value, Value (*make)(const Source&, std::size_t)>
class MadeOnVisitIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = Value;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = Value;

    MadeOnVisitIterator(const Source* source, std::size_t index) : source_(source), index_(index) {}
    Value operator*() const { return make(*source_, index_); }
    MadeOnVisitIterator& operator++() {
        ++index_;
        return *this;
    }
    bool operator==(const MadeOnVisitIterator& other) const { return index_ == other.index_; }

private:
    const Source* source_;
    std::size_t index_;
};
