// A frame's colours in one pass, and a painter's frame taken with the lock
// held only to copy, give exactly what looking up every index in turn gives:
// the same colour per bar and the same highlights left for the next frame.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "SortArray.h"

namespace {

typedef std::tuple<uint32_t, uint16_t, uint16_t, uint16_t> Record;

std::vector<Record> Records(const SortArray& A)
{
    std::vector<Record> r;
    for (const AccessRecord& h : A.m_highlights) r.emplace_back(h.index, h.colour, h.hold, h.priority);
    return r;
}

} // namespace

TEST(ColourLookup, OnePassEqualsIndexByIndexOnRandomStates)
{
    std::mt19937 rng(977);
    const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    std::vector<Watched<uint64_t>> vars(6);

    for (int state = 0; state < 400; ++state) {
        // taken: a painter's frame, the highlights consumed outside the lock
        SortArray one_pass, by_index, taken;
        const uint32_t n = 1 + pick(40);
        for (SortArray* A : {&one_pass, &by_index, &taken}) {
            A->m_array.assign(n, SortItem(1));
            A->m_mark_colours.assign(n, 0);
            for (uint32_t i = 0; i < n; ++i) A->m_array[i] = SortItem(static_cast<int32_t>(i * 7 % 13));
        }
        // an index that may be past the end, or no index at all
        const auto any_index = [&] { return pick(8) == 0 ? AccessRecord::NONE : pick(n + 2); };
        const auto record = [&] {
            const uint16_t priorities[] = {0, 0, 1, 2, 10};
            return AccessRecord(any_index(), static_cast<uint16_t>(pick(17)),
                                static_cast<uint16_t>(pick(3) == 0 ? pick(3) : 0), priorities[pick(5)]);
        };

        const AccessRecord latest = pick(3) ? AccessRecord(any_index(), static_cast<uint16_t>(pick(17))) : AccessRecord();
        const AccessRecord partner = pick(3) == 0 ? AccessRecord(any_index()) : AccessRecord();
        std::vector<std::pair<uint32_t, uint8_t>> marks;
        for (uint32_t i = 0; i < n; ++i)
            if (pick(4) == 0) marks.emplace_back(i, static_cast<uint8_t>(pick(17)));
        for (Watched<uint64_t>& v : vars) v = pick(n + 2);
        std::vector<WatchEntry> watches;
        for (uint32_t k = pick(5); k > 0; --k) {
            const Relaxed<uint64_t>* var = pick(6) == 0 ? nullptr : vars[pick(6)].bits();
            watches.push_back(WatchEntry{var, static_cast<uint8_t>(pick(3) == 0 ? 0 : pick(17))});
        }
        std::vector<AccessRecord> highlights;
        for (uint32_t k = pick(200); k > 0; --k) highlights.push_back(record());

        for (SortArray* A : {&one_pass, &by_index, &taken}) {
            A->m_latest = latest;
            A->m_partner = partner;
            for (const auto& m : marks) A->m_mark_colours[m.first] = m.second;
            A->m_watched = watches;
            A->m_highlights = highlights;
        }

        // several frames, with new accesses recorded between them
        for (int frame = 0; frame < 4; ++frame) {
            std::vector<int> got, want, got_taken;
            bool shown;
            {
                wxMutexLocker lock(one_pass.m_guard);
                shown = one_pass.IndexColours(got);
            }
            std::vector<int32_t> values;
            int32_t max_value;
            uint64_t changes;
            EXPECT_EQ(taken.TakeFrame(got_taken, values, max_value, changes), shown);
            ASSERT_EQ(got_taken, got) << "state " << state << ", frame " << frame;
            ASSERT_EQ(Records(taken), Records(one_pass)) << "state " << state << ", frame " << frame;
            ASSERT_EQ(values.size(), n);
            for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(values[i], static_cast<int32_t>(i * 7 % 13));
            {
                wxMutexLocker lock(by_index.m_guard);
                for (uint32_t i = 0; i < n; ++i) want.push_back(by_index.IndexColour(i));
            }
            ASSERT_EQ(got, want) << "state " << state << ", frame " << frame;
            ASSERT_EQ(Records(one_pass), Records(by_index)) << "state " << state << ", frame " << frame;

            const AccessRecord more = record();
            for (SortArray* A : {&one_pass, &by_index, &taken}) A->m_highlights.push_back(more);
            if (frame == 1 && !marks.empty()) {
                for (SortArray* A : {&one_pass, &by_index, &taken}) A->m_mark_colours[marks[0].first] = 0;
            }
        }
    }
}
