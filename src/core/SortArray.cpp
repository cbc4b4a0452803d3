#include "SortArray.h"

#include <algorithm>
#include <cmath>
#include <random>

#include <wx/intl.h>
#include <wx/log.h>

#include "SortAlgo.h"
#include "SortSound.h"

Relaxed<uint64_t> g_comparison_count;
Relaxed<uint64_t> g_access_count;

int SortItem::s_key_shift = 0;

// ---------------------------------------------------------------------------
// Items

void SortItem::NoteRead(const SortItem& item)
{
    // sign extension into the sound entry's 64-bit argument
    SoundAccess(static_cast<uint64_t>(static_cast<int64_t>(item.raw())));
}

void SortItem::NoteComparison(const SortItem& a, const SortItem& b)
{
    g_comparison_count.increment();
    SoundAccess(static_cast<uint64_t>(static_cast<int64_t>(a.raw())));
    SoundAccess(static_cast<uint64_t>(static_cast<int64_t>(b.raw())));
}

// ---------------------------------------------------------------------------
// Accesses

SortArray::SortArray()
    : m_max_value(0), m_inversions_on(false), m_inversion_count(-1),
      m_latest(0), m_partner(0), m_sorted_ok(false), m_pacer(nullptr)
{
}

void SortArray::note_access()
{
    g_access_count.increment();
    if (m_pacer) m_pacer->Pace();
}

// Called with m_guard held.
void SortArray::AppendHighlight(const AccessRecord& record)
{
    if (m_highlights.size() >= MAX_HIGHLIGHTS)
        m_highlights.erase(m_highlights.begin(), m_highlights.begin() + MAX_HIGHLIGHTS / 2);
    m_highlights.push_back(record);
}

// Called with m_guard held.
void SortArray::RecordAccess(size_t i, uint16_t colour, uint16_t hold, uint16_t priority)
{
    m_latest = AccessRecord(static_cast<uint32_t>(i), colour, hold, priority);
    AppendHighlight(m_latest);
    NoteChange();
}

const SortItem& SortArray::operator[](size_t i)
{
    ASSERT(i < m_array.size());
    if (i == m_latest.index) return m_array[i];
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        RecordAccess(i);
    }
    note_access();
    return m_array[i];
}

SortItem& SortArray::get_mutable(size_t i)
{
    ASSERT(i < m_array.size());
    if (i == m_latest.index) {
        RecountInversions();
        return m_array[i];
    }
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        RecordAccess(i);
    }
    note_access();
    RecountInversions();
    return m_array[i];
}

const SortItem& SortArray::get_nocount(size_t i)
{
    ASSERT(i < m_array.size());
    if (i == m_latest.index) return m_array[i];
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        RecordAccess(i);
    }
    if (m_pacer) m_pacer->Pace();
    return m_array[i];
}

void SortArray::set(size_t i, const SortItem& item)
{
    ASSERT(i < m_array.size());
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        RecordAccess(i);
        m_array[i] = item;
    }
    RecountInversions();
    note_access();
}

void SortArray::swap(size_t i, size_t j)
{
    ASSERT(i < m_array.size());
    ASSERT(j < m_array.size());
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        m_latest = AccessRecord(static_cast<uint32_t>(i));
        m_partner = AccessRecord(static_cast<uint32_t>(j));
        AppendHighlight(m_latest);
        AppendHighlight(m_partner);
        NoteChange();
    }
    AdjustInversions(i, j);
    note_access();
    // the exchange happens between the two pacing calls, so that in step
    // mode both bars stay highlighted while it is shown
    SortItem t = m_array[i];
    m_array[i] = m_array[j];
    m_array[j] = t;
    NoteChange();
    note_access();
    m_partner = AccessRecord();
    NoteChange();
}

void SortArray::touch(size_t i, uint16_t colour, uint16_t hold, uint16_t priority)
{
    ASSERT(i < m_array.size());
    wxMutexLocker lock(m_guard);
    ASSERT(lock.IsOk());
    RecordAccess(i, colour, hold, priority);
}

// ---------------------------------------------------------------------------
// Marks and watches

void SortArray::mark(size_t i, uint8_t colour)
{
    ASSERT(i < m_array.size());
    m_mark_colours[i] = colour;
    NoteChange();
}

void SortArray::unmark(size_t i)
{
    ASSERT(i < m_array.size());
    m_mark_colours[i] = COLOUR_PLAIN;
    NoteChange();
}

void SortArray::mark_swap(size_t i, size_t j)
{
    ASSERT(i < m_array.size());
    ASSERT(j < m_array.size());
    const uint8_t t = m_mark_colours[i];
    m_mark_colours[i] = m_mark_colours[j].load();
    m_mark_colours[j] = t;
    NoteChange();
}

void SortArray::unmark_all()
{
    m_latest = AccessRecord();
    m_partner = AccessRecord();
    for (Relaxed<uint8_t>& m : m_mark_colours) m = COLOUR_PLAIN;
    wxMutexLocker lock(m_guard);
    ASSERT(lock.IsOk());
    m_highlights.clear();
    ++m_highlights_cleared;
    NoteChange();
}

void SortArray::watch(const Relaxed<uint64_t>* variable, uint8_t colour)
{
    wxMutexLocker lock(m_guard);
    ASSERT(lock.IsOk());
    m_watched.push_back(WatchEntry{variable, colour});
    NoteChange();
}

void SortArray::unwatch_all()
{
    wxMutexLocker lock(m_guard);
    ASSERT(lock.IsOk());
    m_watched.clear();
    NoteChange();
}

// ---------------------------------------------------------------------------
// Painting lookups

int SortArray::IndexColour(size_t i)
{
    if (i == m_latest.index) return m_latest.colour;
    if (i == m_partner.index) return m_partner.colour;

    for (const WatchEntry& w : m_watched) {
        if (w.variable && w.variable->load() == i) {
            if (w.colour != COLOUR_PLAIN) return w.colour;
            break;
        }
    }

    if (i < m_mark_colours.size() && m_mark_colours[i] != COLOUR_PLAIN) return m_mark_colours[i];

    int best_colour = -1, best_priority = -1;
    for (auto it = m_highlights.begin(); it != m_highlights.end();) {
        if (it->index != i) { ++it; continue; }
        if (static_cast<int>(it->priority) >= best_priority) {
            best_colour = it->colour;
            best_priority = it->priority;
        }
        if (it->hold > 0) {
            it->hold = static_cast<uint16_t>(it->hold - 1);
            ++it;
        }
        else {
            it = m_highlights.erase(it);
        }
    }
    return best_colour > COLOUR_PLAIN ? best_colour : COLOUR_PLAIN;
}

bool SortArray::IndexColours(std::vector<int>& colours)
{
    FixedColours(colours);
    return ConsumeHighlights(m_highlights, colours);
}

void SortArray::FixedColours(std::vector<int>& colours)
{
    const size_t n = m_array.size();
    colours.assign(n, -1); // -1: decided by the highlights

    const uint64_t latest = m_latest.index, partner = m_partner.index;
    if (latest < n) colours[latest] = m_latest.colour;
    if (partner < n && partner != latest) colours[partner] = m_partner.colour;

    // the first watch entry pointing at an index decides; colour 0 hands the
    // index on to the marks
    std::vector<uint8_t>& watch_seen = m_watch_seen;
    watch_seen.assign(n, 0);
    for (const WatchEntry& w : m_watched) {
        if (!w.variable) continue;
        const uint64_t v = w.variable->load();
        if (v >= n || watch_seen[v]) continue;
        watch_seen[v] = 1;
        if (w.colour != COLOUR_PLAIN && colours[v] < 0) colours[v] = w.colour;
    }

    for (size_t i = 0; i < n; ++i)
        if (colours[i] < 0 && m_mark_colours[i] != COLOUR_PLAIN) colours[i] = m_mark_colours[i];
}

bool SortArray::ConsumeHighlights(std::vector<AccessRecord>& records, std::vector<int>& colours)
{
    // one pass over the records, oldest first, for the indices still open;
    // records of other indices stay untouched, as IndexColour leaves them
    const size_t n = colours.size();
    std::vector<int>& best_priority = m_best_priority;
    std::vector<int>& best_colour = m_best_colour;
    best_priority.assign(n, -1);
    best_colour.assign(n, -1);
    bool shown = false;
    size_t keep = 0;
    for (size_t r = 0; r < records.size(); ++r) {
        AccessRecord& rec = records[r];
        const uint32_t i = rec.index;
        bool consumed = false;
        if (i < n && colours[i] < 0) {
            shown = true;
            if (static_cast<int>(rec.priority) >= best_priority[i]) {
                best_colour[i] = rec.colour;
                best_priority[i] = rec.priority;
            }
            if (rec.hold > 0) rec.hold = static_cast<uint16_t>(rec.hold - 1);
            else consumed = true;
        }
        if (!consumed) {
            if (keep != r) records[keep] = rec;
            ++keep;
        }
    }
    records.resize(keep);

    for (size_t i = 0; i < n; ++i)
        if (colours[i] < 0) colours[i] = best_colour[i] > COLOUR_PLAIN ? best_colour[i] : COLOUR_PLAIN;
    return shown;
}

bool SortArray::TakeFrame(std::vector<int>& colours, std::vector<int32_t>& values, int32_t& max_value,
                          uint64_t& changes)
{
    uint64_t cleared;
    {
        wxMutexLocker lock(m_guard);
        ASSERT(lock.IsOk());
        changes = Changes();
        cleared = m_highlights_cleared;
        FixedColours(colours);
        const size_t n = m_array.size();
        values.resize(n);
        for (size_t i = 0; i < n; ++i) values[i] = m_array[i].raw();
        max_value = m_max_value;
        // the records so far go to the painter; the worker goes on appending
        // to an empty list
        m_taken.clear();
        m_taken.swap(m_highlights);
    }

    // what IndexColours would do at the moment of the swap
    const bool shown = ConsumeHighlights(m_taken, colours);

    wxMutexLocker lock(m_guard);
    ASSERT(lock.IsOk());
    // the records kept are older than any appended meanwhile, unless the list
    // was cleared meanwhile, which drops them as well
    if (cleared == m_highlights_cleared) {
        m_taken.insert(m_taken.end(), m_highlights.begin(), m_highlights.end());
        m_taken.swap(m_highlights);
    }
    m_taken.clear();
    return shown;
}

// ---------------------------------------------------------------------------
// Input generation and the result check

void SortArray::ListInputTypes(wxArrayString& list)
{
    list.Add(_("Random Shuffle"));
    list.Add(_("Ascending"));
    list.Add(_("Descending"));
    list.Add(_("Shuffled Cubic"));
    list.Add(_("Shuffled Quintic"));
    list.Add(_("Shuffled n-2 Equal"));
}

void SortArray::FillArray(unsigned int type, size_t size)
{
    // a fresh device and engine for every fill
    std::random_device device("/dev/urandom");
    FillArray(type, size, device());
}

void SortArray::FillArray(unsigned int type, size_t size, uint32_t seed)
{
    if (size == 0) size = 1;
    m_array.resize(size);
    m_mark_colours.resize(size);

    const size_t n = size;
    bool shuffle = true;
    switch (type) {
    case 1: // Ascending
        for (size_t i = 0; i < n; ++i) m_array[i] = SortItem(static_cast<int32_t>(i + 1));
        shuffle = false;
        break;
    case 2: // Descending
        for (size_t i = 0; i < n; ++i) m_array[i] = SortItem(static_cast<int32_t>(n - i));
        shuffle = false;
        break;
    case 3: // Shuffled Cubic
    case 4: // Shuffled Quintic
        for (size_t i = 0; i < n; ++i) {
            const double x = 2.0 * static_cast<double>(i) / static_cast<double>(n) - 1.0;
            const double p = (type == 3) ? x * x * x : x * x * x * x * x;
            const double v = ((p + 1.0) * 0.5 * static_cast<double>(n) + 1.0) / 3.0 + 1.0;
            m_array[i] = SortItem(static_cast<int32_t>(v));
        }
        break;
    case 5: // Shuffled n-2 Equal
        m_array[0] = SortItem(1);
        for (size_t i = 1; i + 1 < n; ++i) m_array[i] = SortItem(static_cast<int32_t>(n / 2 + 1));
        m_array[n - 1] = SortItem(static_cast<int32_t>(n));
        break;
    default: // Random Shuffle, and any unknown type
        for (size_t i = 0; i < n; ++i) m_array[i] = SortItem(static_cast<int32_t>(i + 1));
        break;
    }

    if (shuffle && n >= 2) {
        std::mt19937 engine(seed);
        for (size_t p = 0; p + 1 < n; ++p) {
            std::uniform_int_distribution<size_t> pick(0, n - 1 - p);
            const size_t k = pick(engine);
            if (k != 0) {
                SortItem t = m_array[p];
                m_array[p] = m_array[p + k];
                m_array[p + k] = t;
            }
        }
    }

    FinishFill();
}

void SortArray::FinishFill()
{
    ASSERT(m_array.size() > 0);
    int32_t max_value = m_array[0].raw();
    for (const SortItem& item : m_array) max_value = std::max(max_value, item.raw());
    m_max_value = max_value;
    NoteChange();

    unmark_all();
    unwatch_all();
    m_sorted_ok = false;
    g_access_count = 0;
    g_comparison_count = 0;
    m_inversions_on = true;
    m_inversion_count = FullInversionCount();
}

bool SortArray::CheckSorted()
{
    unmark_all();
    RecountInversions();

    const size_t n = m_array.size();
    int32_t prev = get_nocount(0).raw();
    mark(0, COLOUR_CONFIRMED);

    bool sorted = true;
    for (size_t i = 1; i < n; ++i) {
        const int32_t cur = get_nocount(i).raw();
        // sounded like a comparison, not counted as one
        SoundAccess(static_cast<uint64_t>(static_cast<int64_t>(prev)));
        SoundAccess(static_cast<uint64_t>(static_cast<int64_t>(cur)));
        if (prev > cur) {
            wxLogError(_("Result of sorting algorithm is incorrect!"));
            sorted = false;
            break;
        }
        mark(i, COLOUR_CONFIRMED);
        prev = cur;
    }

    unmark_all();
    m_sorted_ok = sorted;
    return sorted;
}

// ---------------------------------------------------------------------------
// Inversions and runs

uint64_t SortArray::CountAllInversions()
{
    // bottom-up merge sort of a copy of the values, counting for every item
    // taken from a right run the items of the left run still waiting
    const size_t n = m_array.size();
    m_count_values.resize(n);
    m_count_scratch.resize(n);
    for (size_t i = 0; i < n; ++i) m_count_values[i] = m_array[i].raw();

    uint64_t count = 0;
    int32_t* src = m_count_values.data();
    int32_t* dst = m_count_scratch.data();
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t a = lo, b = mid, o = lo;
            while (a < mid && b < hi) {
                if (src[b] < src[a]) {
                    count += mid - a;
                    dst[o++] = src[b++];
                }
                else {
                    dst[o++] = src[a++];
                }
            }
            while (a < mid) dst[o++] = src[a++];
            while (b < hi) dst[o++] = src[b++];
        }
        std::swap(src, dst);
    }
    return count;
}

// The switch is flipped on the GUI thread while the worker updates the count.
// The flip is one indivisible exchange, and every update of the worker stores
// its count first and reads the switch again afterwards (a full fence between
// them, and between the flip and the GUI thread's own store of -1): either the
// worker sees the switch off and writes -1 itself, or its store comes before
// the GUI thread's -1. So no click is ever lost, and a count while counting is
// off is always -1.
void SortArray::PublishInversions(int64_t count, bool was_on)
{
    m_inversion_count = count;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (was_on && !m_inversions_on) m_inversion_count = -1;
}

void SortArray::PrepareInversions(const AlgoListEntry& entry)
{
    if (m_array.size() > entry.inversion_limit) {
        m_inversions_on = false;
        m_inversion_count = -1;
    }
    else {
        m_inversions_on = true;
        PublishInversions(FullInversionCount(), true);
    }
}

void SortArray::RecountInversions()
{
    const bool on = m_inversions_on;
    PublishInversions(on ? static_cast<int64_t>(FullInversionCount()) : -1, on);
}

void SortArray::AdjustInversions(size_t i, size_t j)
{
    const bool on = m_inversions_on;
    if (!on) {
        m_inversion_count = -1;
        return;
    }
    // Counting was switched back on since the last count: take the full count
    // of the values before this exchange, then add the exchange's own change
    // below, so that the count is right once the items have moved. The count
    // is read once: a click meanwhile must not leak its -1 into the sum.
    int64_t count = m_inversion_count;
    if (count < 0) count = FullInversionCount();
    if (i == j) {
        PublishInversions(count, on);
        return;
    }

    const size_t lo = std::min<uint32_t>(i, j), hi = std::max<uint32_t>(i, j);
    const int32_t a = m_array[lo].raw(), b = m_array[hi].raw();
    int32_t delta = 0;
    for (size_t k = lo + 1; k < hi; ++k) {
        const int32_t v = m_array[k].raw();
        delta += (v < b) + (a < v) - (v < a) - (b < v);
    }
    delta += (a < b) - (b < a);
    PublishInversions(count + delta, on);
}

void SortArray::ToggleInversions()
{
    bool was_on = m_inversions_on;
    while (!m_inversions_on.compare_exchange(was_on, !was_on)) {
    }
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (was_on) m_inversion_count = -1;
}

unsigned int SortArray::CountRuns() const
{
    unsigned int runs = 1;
    for (size_t i = 1; i < m_array.size(); ++i)
        if (m_array[i - 1].raw() > m_array[i].raw()) ++runs;
    return runs;
}
