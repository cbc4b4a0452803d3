// Test helpers: exact array contents, and a pacer that writes down every paced
// access of an algorithm as a short token.
#ifndef QUORVEX_TESTS_TRACE_H
#define QUORVEX_TESTS_TRACE_H

#include <cstdint>
#include <string>
#include <vector>

#include "SortArray.h"

// Fills the array with exactly these values, then brings it into its start
// state as any fill does (counters 0, marks cleared, inversions counted).
inline void SetValues(SortArray& A, const std::vector<int>& values)
{
    A.m_array.assign(values.size(), SortItem());
    A.m_mark_colours.assign(values.size(), 0);
    for (size_t i = 0; i < values.size(); ++i) A.m_array[i] = SortItem(values[i]);
    A.FinishFill();
}

inline std::vector<int> Values(const SortArray& A)
{
    std::vector<int> v;
    for (const SortItem& item : A.m_array) v.push_back(item.raw());
    return v;
}

inline std::vector<int> Marks(const SortArray& A)
{
    std::vector<int> v;
    for (const auto& m : A.m_mark_colours) v.push_back(m.load());
    return v;
}

// Stability: while one of these lives, comparisons see only the bits of a
// value above the lowest `shift`; the low bits tag each item with its original
// position, so equal keys can be told apart after sorting.
class TaggedKeys
{
public:
    explicit TaggedKeys(int shift = 12) : m_shift(shift) { SortItem::s_key_shift = shift; }
    ~TaggedKeys() { SortItem::s_key_shift = 0; }

    // Fills the array with the keys, each tagged with its position.
    void Fill(SortArray& A, const std::vector<int>& keys) const
    {
        std::vector<int> v;
        for (size_t i = 0; i < keys.size(); ++i) v.push_back((keys[i] << m_shift) | static_cast<int>(i));
        SetValues(A, v);
    }
    std::vector<int> Keys(const SortArray& A) const
    {
        std::vector<int> v;
        for (const SortItem& item : A.m_array) v.push_back(item.raw() >> m_shift);
        return v;
    }
    // True if every run of equal keys holds its tags in ascending order.
    bool Stable(const SortArray& A) const
    {
        for (size_t i = 1; i < A.size(); ++i) {
            const int a = A.m_array[i - 1].raw(), b = A.m_array[i].raw();
            if ((a >> m_shift) == (b >> m_shift) && a > b) return false;
        }
        return true;
    }

private:
    int m_shift;
};

// Ends the running algorithm by throwing SortAbort at its paced access number
// `at` (counting from 1) and at every later one, as the view's stop point does
// once a stop has been requested. Attached as the array's pacer while it lives.
class StopAt : public SortDelay
{
public:
    StopAt(SortArray& array, uint64_t at) : m_array(array), m_at(at) { m_array.m_pacer = this; }
    ~StopAt() { m_array.m_pacer = nullptr; }
    void Pace() override
    {
        if (++paces >= m_at) throw SortAbort();
    }
    uint64_t paces = 0;

private:
    SortArray& m_array;
    uint64_t m_at;
};

// Attached as the array's pacer, it records one token per paced access:
//   r3    a counted access of index 3 that left its value unchanged (a read)
//   w3    a counted access of index 3 whose value changed (a set)
//   s3,4  a swap of 3 and 4 (both of its paced halves)
//   n3    a paced access that was not counted (get_nocount)
//   c2    two comparisons were made since the previous token
// Writes through get_mutable references happen after their access is paced,
// so they show as r, not w.
class TraceRecorder : public SortDelay
{
public:
    explicit TraceRecorder(SortArray& array) : m_array(array)
    {
        m_array.m_pacer = this;
        Reset();
    }
    ~TraceRecorder() { m_array.m_pacer = nullptr; }

    // Forgets the tokens so far and starts counting from the array's state now.
    void Reset()
    {
        tokens.clear();
        m_in_swap = false;
        m_accesses = g_access_count;
        m_comparisons = g_comparison_count;
        m_values = Values(m_array);
    }

    void Pace() override
    {
        FlushComparisons();
        const uint64_t accesses = g_access_count;
        const bool counted = accesses != m_accesses;
        m_accesses = accesses;

        const uint32_t i = m_array.m_latest.index, j = m_array.m_partner.index;
        if (j != AccessRecord::NONE) {
            // the first half paces before the exchange, the second after it
            if (!m_in_swap) tokens.push_back("s" + std::to_string(i) + "," + std::to_string(j));
            m_in_swap = !m_in_swap;
        }
        else {
            const bool changed = i < m_values.size() && m_values[i] != m_array.m_array[i].raw();
            tokens.push_back((counted ? (changed ? "w" : "r") : "n") + std::to_string(i));
        }
        m_values = Values(m_array);
    }

    // All tokens, space separated, including comparisons made after the last
    // paced access.
    std::string str()
    {
        FlushComparisons();
        std::string s;
        for (const std::string& t : tokens) s += (s.empty() ? "" : " ") + t;
        return s;
    }

    std::vector<std::string> tokens;

private:
    void FlushComparisons()
    {
        const uint64_t c = g_comparison_count;
        if (c != m_comparisons) tokens.push_back("c" + std::to_string(c - m_comparisons));
        m_comparisons = c;
    }

    SortArray& m_array;
    bool m_in_swap = false;
    uint64_t m_accesses = 0, m_comparisons = 0;
    std::vector<int> m_values;
};

#endif
