// The array model: items whose comparisons are counted and sounded, and the
// instrumented array through which every algorithm reaches them.
#ifndef QUORVEX_SORTARRAY_H
#define QUORVEX_SORTARRAY_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>
#include <wx/thread.h>

#include "Assertion.h"

struct AlgoListEntry;

// ---------------------------------------------------------------------------
// A word shared between the worker, the GUI and the audio thread. Every thread
// reads and writes it with relaxed atomic operations: a stale value shifts one
// access, one frame or one tone, and no read is ever torn. Copyable, so that it
// can live in records and vectors.
template <typename T>
class Relaxed
{
public:
    Relaxed(T v = T()) : m_value(v) {}
    Relaxed(const Relaxed& other) : m_value(other.load()) {}
    Relaxed& operator=(const Relaxed& other) { store(other.load()); return *this; }
    Relaxed& operator=(T v) { store(v); return *this; }

    operator T() const { return load(); }
    T load() const { return m_value.load(std::memory_order_relaxed); }
    void store(T v) { m_value.store(v, std::memory_order_relaxed); }

    // Replaces the value with desired if it still equals expected; otherwise
    // loads the current value into expected. One indivisible step.
    bool compare_exchange(T& expected, T desired)
    {
        return m_value.compare_exchange_weak(expected, desired, std::memory_order_relaxed);
    }

    // Adds one. Not a read-modify-write: two threads adding at once could
    // lose one. Only the comparison and access counters use it, and only one
    // thread writes those at a time (the worker during a run, the GUI thread
    // otherwise).
    void increment() { store(load() + 1); }

private:
    std::atomic<T> m_value;
};

// ---------------------------------------------------------------------------
// Counted comparisons and counted array accesses; reset by every fill.
extern Relaxed<uint64_t> g_comparison_count;
extern Relaxed<uint64_t> g_access_count;

// One value handled by a sorting algorithm. Copying it is free; comparing two
// items counts one comparison and sounds both values (left operand first).
class SortItem
{
public:
    typedef int32_t value_type;

    SortItem() : m_value(0) {}
    explicit SortItem(value_type v) : m_value(v) {}

    bool operator==(const SortItem& o) const { NoteComparison(*this, o); return key() == o.key(); }
    bool operator!=(const SortItem& o) const { NoteComparison(*this, o); return key() != o.key(); }
    bool operator<(const SortItem& o) const { NoteComparison(*this, o); return key() < o.key(); }
    bool operator<=(const SortItem& o) const { NoteComparison(*this, o); return key() <= o.key(); }
    bool operator>(const SortItem& o) const { NoteComparison(*this, o); return key() > o.key(); }
    bool operator>=(const SortItem& o) const { NoteComparison(*this, o); return key() >= o.key(); }

    // One counted comparison whose outcome callers may test several times:
    // negative, zero or positive as this item is below, equal to or above o.
    int compare_to(const SortItem& o) const
    {
        NoteComparison(*this, o);
        const value_type a = key(), b = o.key();
        return a < b ? -1 : (a > b ? 1 : 0);
    }

    // The value, sounded but not counted (a radix sort taking a digit).
    value_type read() const { NoteRead(*this); return key(); }

    // The value with no side effect: for the array model and the view only.
    value_type raw() const { return m_value.load(); }

    // What comparisons and read() see. Tests of stability keep an item's
    // original position in the low bits of its value and set s_key_shift, so
    // that equal keys can be told apart afterwards; in the program the shift
    // is always 0 and the key is the value.
    value_type key() const { return raw() >> s_key_shift; }
    static int s_key_shift;

    static void NoteRead(const SortItem& item);
    static void NoteComparison(const SortItem& a, const SortItem& b);

private:
    Relaxed<value_type> m_value;
};

// ---------------------------------------------------------------------------
// The array's pacing hook, implemented by the view. Nothing is ever deleted
// through it.
class SortDelay
{
public:
    virtual void Pace() = 0;

protected:
    ~SortDelay() = default;
};

// Thrown by a pacer to end the running algorithm at its current access (the
// view's stop point) and caught where the run started: the algorithm's frames
// unwind, so every buffer it holds is released.
struct SortAbort
{
};

// The colour roles: indices 0 to 16 into the view's palette, shared by marks,
// watches and highlights. Several roles share one index (and so one colour);
// algorithms use the name that says why they colour a bar.
enum ColourRole : uint8_t {
    COLOUR_PLAIN = 0,            // white: no role; a mark or watch of 0 is none
    COLOUR_ACCESS = 1,           // red: an ordinary recorded access
    COLOUR_SORTED = 2,           // green: the sorted part, an item placed for good
    COLOUR_PIVOT = 2,            //   a pivot, marked or watched
    COLOUR_CONFIRMED = 2,        //   an item found in order by a scan (the result check, bogo sort)
    COLOUR_KEY = 2,              //   the item being inserted
    COLOUR_RANGE_END = 2,        //   an end of the range being merged or distributed
    COLOUR_POINTER = 3,          // cyan: a watched index variable
    COLOUR_BOUNDARY = 3,         //   a bucket boundary, the start of a right run, a stooge range end
    COLOUR_EQUAL_TO_PIVOT = 4,   // yellow: an item equal to the pivot
    COLOUR_HEAP_LEVEL_BASE = 4,  // heap level 0 (the root); level k is 4 + k ...
    COLOUR_HEAP_LEVEL_LAST = 15, //   ... up to level 11
    COLOUR_TOUCH = 16,           // blue: an item the block merge sort reaches directly
    COLOUR_CYCLE_START = 16,     //   the cycle sort's watched start of the current cycle
};

// The number of colour indices, and so of entries in the view's palette.
constexpr int COLOUR_INDEX_COUNT = 17;

// One recorded access: an index to highlight in a colour for hold + 1
// paintings, with a priority among records of the same index.
struct AccessRecord
{
    Relaxed<uint32_t> index;
    Relaxed<uint16_t> colour;
    Relaxed<uint16_t> hold;
    Relaxed<uint16_t> priority;

    static constexpr uint32_t NONE = 0xFFFFFFFF;

    AccessRecord(uint32_t i = NONE, uint16_t c = COLOUR_ACCESS, uint16_t h = 0, uint16_t p = 0)
        : index(i), colour(c), hold(h), priority(p) {}
};

// An algorithm's index variable that the view paints while the algorithm
// moves it. It behaves like an integer of type T; the painter reads its bits
// as an unsigned 64-bit position.
template <typename T>
class Watched
{
public:
    Watched(T v = T()) : m_bits(static_cast<uint64_t>(v)) {}
    Watched(const Watched& o) : m_bits(o.m_bits.load()) {}
    Watched& operator=(const Watched& o) { m_bits = o.m_bits.load(); return *this; }
    Watched& operator=(T v) { m_bits = static_cast<uint64_t>(v); return *this; }

    operator T() const { return static_cast<T>(m_bits.load()); }

    Watched& operator++() { return *this = T(*this) + 1; }
    Watched& operator--() { return *this = T(*this) - 1; }
    T operator++(int) { T old = *this; ++*this; return old; }
    T operator--(int) { T old = *this; --*this; return old; }
    Watched& operator+=(T d) { return *this = T(*this) + d; }
    Watched& operator-=(T d) { return *this = T(*this) - d; }

    const Relaxed<uint64_t>* bits() const { return &m_bits; }

private:
    Relaxed<uint64_t> m_bits;
};

struct WatchEntry
{
    const Relaxed<uint64_t>* variable;
    uint8_t colour;
};

// ---------------------------------------------------------------------------
// The instrumented array. An access records a highlight for the painter,
// counts in g_access_count and ends in the pacing hook; a read or get_mutable
// of the index accessed last does none of these (set and swap always do).
// Marks and watches colour bars by role. The fields are open to the view, the
// window and tests.
class SortArray
{
public:
    std::vector<SortItem> m_array;
    Relaxed<int32_t> m_max_value;
    Relaxed<bool> m_inversions_on;
    // Written by the worker during a run and by the GUI thread otherwise, and
    // also by the GUI thread's ToggleInversions during a run: a toggle that
    // crosses an adjustment in flight can leave a stale count until the next
    // access.
    Relaxed<int64_t> m_inversion_count;
    AccessRecord m_latest;
    AccessRecord m_partner;
    std::vector<AccessRecord> m_highlights;
    std::vector<Relaxed<uint8_t>> m_mark_colours;
    std::vector<WatchEntry> m_watched;
    Relaxed<bool> m_sorted_ok;
    SortDelay* m_pacer;
    wxMutex m_guard;

    // Counts the changes a painting shows: recorded accesses, exchanged
    // items, marks, watches and fills. Bumped after each change (inside
    // m_guard where the change is made under it), so that a painter that
    // reads it under m_guard before taking the state sees every change after
    // it move it on; a view at rest compares it with the painted count.
    // Like the counters, written by one thread at a time (the worker during a
    // run, the GUI thread otherwise), so no read-modify-write is needed.
    std::atomic<uint64_t> m_changes{0};
    void NoteChange() { m_changes.store(m_changes.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
    uint64_t Changes() const { return m_changes.load(std::memory_order_acquire); }

    // With nothing painting, the oldest half of the highlights is dropped once
    // this many wait; the newest accesses always reach the next painting.
    static constexpr size_t MAX_HIGHLIGHTS = 1 << 17;

    SortArray();

    size_t size() const { return m_array.size(); }

    // Access operations (worker thread).
    const SortItem& operator[](size_t i);
    SortItem& get_mutable(size_t i);
    const SortItem& get_nocount(size_t i);
    void set(size_t i, const SortItem& item);
    void swap(size_t i, size_t j);
    void touch(size_t i, uint16_t colour, uint16_t hold, uint16_t priority);

    void mark(size_t i, uint8_t colour);
    void unmark(size_t i);
    void mark_swap(size_t i, size_t j);
    void unmark_all();

    template <typename T>
    void watch(const Watched<T>* variable, uint8_t colour) { watch(variable->bits(), colour); }
    void watch(const Relaxed<uint64_t>* variable, uint8_t colour);
    void unwatch_all();

    // Uncounted, unrecorded, unpaced.
    SortItem& direct(size_t i) { ASSERT(i < m_array.size()); return m_array[i]; }

    // Painting lookups, called with m_guard held; both consume highlights.
    // IndexColours gives exactly what IndexColour(0), ..., IndexColour(n-1)
    // called in that order would, in time linear in n plus the lists. It
    // returns true if a recorded highlight coloured a bar in this painting:
    // the next painting then differs (the highlight is held once less, or
    // gone) without any further change.
    int IndexColour(size_t i);
    bool IndexColours(std::vector<int>& colours);

    // A painter's frame, with m_guard held only to copy the values and the
    // colours that marks, watches and the current accesses decide (O(n)):
    // the highlights recorded so far are taken out of the list under the
    // lock and consumed without it, as IndexColours would have consumed them
    // then, and those kept go back in front of any recorded meanwhile.
    // Returns what IndexColours returns. Takes m_guard itself.
    bool TakeFrame(std::vector<int>& colours, std::vector<int32_t>& values, int32_t& max_value,
                   uint64_t& changes);

    // Input generation and the result check.
    static void ListInputTypes(wxArrayString& list);
    void FillArray(unsigned int type, size_t size);
    // The same fill with the shuffle's engine seeded by the caller, so that a
    // command can repeat an input exactly.
    void FillArray(unsigned int type, size_t size, uint32_t seed);
    void FinishFill();
    bool CheckSorted();

    // Inversion and run counting.
    void PrepareInversions(const AlgoListEntry& entry);
    void RecountInversions();
    void AdjustInversions(size_t i, size_t j);
    void ToggleInversions();
    unsigned int CountRuns() const;
    // The number of pairs i < j with v[i] > v[j], counted in O(n log n).
    uint64_t CountAllInversions();
    // The same count in the 32 bits the window's inversion counting keeps:
    // at most 2096128 for the largest array of 2048 items.
    uint32_t FullInversionCount() { return static_cast<uint32_t>(CountAllInversions()); }

private:
    void note_access();
    // Worker: stores a new inversion count computed while counting was
    // was_on, and writes -1 instead if a click switched counting off meanwhile.
    void PublishInversions(int64_t count, bool was_on);
    void AppendHighlight(const AccessRecord& record);
    void RecordAccess(size_t i, uint16_t colour = COLOUR_ACCESS, uint16_t hold = 0, uint16_t priority = 0);

    std::vector<int32_t> m_count_values, m_count_scratch; // for CountAllInversions
    // IndexColours in two steps: the colours decided before the highlights
    // (m_guard held), then the highlights' consumption from a list of records.
    void FixedColours(std::vector<int>& colours);
    bool ConsumeHighlights(std::vector<AccessRecord>& records, std::vector<int>& colours);

    std::vector<uint8_t> m_watch_seen;               // for the painting lookups
    std::vector<int> m_best_priority, m_best_colour; // for the painting lookups
    std::vector<AccessRecord> m_taken;               // the records a painter consumes
    uint64_t m_highlights_cleared = 0;               // counts clearings of m_highlights (m_guard)
};

#endif
