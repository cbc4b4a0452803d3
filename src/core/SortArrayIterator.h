// The iterator through which generic sorting code (the standard library's
// sorts, Tim sort, the block merge sort) runs on the instrumented array.
#ifndef QUORVEX_SORTARRAYITERATOR_H
#define QUORVEX_SORTARRAYITERATOR_H

#include <cstdint>
#include <functional>
#include <iterator>

#include "SortArray.h"

// A position in a SortArray. Dereferencing is a counted, paced get_mutable;
// nothing else touches the array.
class SortArrayIterator
{
public:
    typedef std::random_access_iterator_tag iterator_category;
    typedef SortItem value_type;
    typedef int64_t difference_type;
    typedef SortItem& reference;
    typedef SortItem* pointer;

    SortArrayIterator() : m_array(nullptr), m_pos(0) {}
    SortArrayIterator(SortArray* array, uint64_t pos) : m_array(array), m_pos(pos) {}

    SortArray* m_array;
    uint64_t m_pos;

    reference operator*() const { return m_array->get_mutable(m_pos); }
    pointer operator->() const { return &m_array->get_mutable(m_pos); }
    reference operator[](difference_type n) const { return *(*this + n); }

    SortArrayIterator& operator++() { ++m_pos; return *this; }
    SortArrayIterator& operator--() { --m_pos; return *this; }
    SortArrayIterator operator++(int) { SortArrayIterator r = *this; ++m_pos; return r; }
    SortArrayIterator operator--(int) { SortArrayIterator r = *this; --m_pos; return r; }

    SortArrayIterator& operator+=(difference_type n) { m_pos += n; return *this; }
    SortArrayIterator& operator-=(difference_type n) { m_pos -= n; return *this; }
    SortArrayIterator operator+(difference_type n) const { return SortArrayIterator(m_array, m_pos + n); }
    SortArrayIterator operator-(difference_type n) const { return SortArrayIterator(m_array, m_pos - n); }
    friend SortArrayIterator operator+(difference_type n, const SortArrayIterator& it) { return it + n; }

    difference_type operator-(const SortArrayIterator& r2) const
    {
        ASSERT(m_array == r2.m_array);
        return static_cast<difference_type>(m_pos) - static_cast<difference_type>(r2.m_pos);
    }

    bool operator==(const SortArrayIterator& r) const { return m_array == r.m_array && m_pos == r.m_pos; }
    bool operator!=(const SortArrayIterator& r) const { return !(*this == r); }
    bool operator<(const SortArrayIterator& r) const
    {
        return std::less<const SortArray*>()(m_array, r.m_array) ||
               (m_array == r.m_array && m_pos < r.m_pos);
    }
    bool operator>(const SortArrayIterator& r) const { return r < *this; }
    bool operator<=(const SortArrayIterator& r) const { return !(r < *this); }
    bool operator>=(const SortArrayIterator& r) const { return !(*this < r); }
};

inline SortArrayIterator SortArrayBegin(SortArray& A) { return SortArrayIterator(&A, 0); }
inline SortArrayIterator SortArrayEnd(SortArray& A) { return SortArrayIterator(&A, A.size()); }

#endif
