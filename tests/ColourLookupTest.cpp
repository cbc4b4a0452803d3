// A frame's colours in one pass give exactly what looking up every index in
// turn gives: the same colour per bar and the same highlights left for the
// next frame.
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
        SortArray one_pass, by_index;
        const uint32_t n = 1 + pick(40);
        for (SortArray* A : {&one_pass, &by_index}) {
            A->m_array.assign(n, SortItem(1));
            A->m_mark_colours.assign(n, 0);
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

        for (SortArray* A : {&one_pass, &by_index}) {
            A->m_latest = latest;
            A->m_partner = partner;
            for (const auto& m : marks) A->m_mark_colours[m.first] = m.second;
            A->m_watched = watches;
            A->m_highlights = highlights;
        }

        // several frames, with new accesses recorded between them
        for (int frame = 0; frame < 4; ++frame) {
            std::vector<int> got, want;
            {
                wxMutexLocker lock(one_pass.m_guard);
                one_pass.IndexColours(got);
            }
            {
                wxMutexLocker lock(by_index.m_guard);
                for (uint32_t i = 0; i < n; ++i) want.push_back(by_index.IndexColour(i));
            }
            ASSERT_EQ(got, want) << "state " << state << ", frame " << frame;
            ASSERT_EQ(Records(one_pass), Records(by_index)) << "state " << state << ", frame " << frame;

            const AccessRecord more = record();
            for (SortArray* A : {&one_pass, &by_index}) A->m_highlights.push_back(more);
            if (frame == 1 && !marks.empty()) {
                for (SortArray* A : {&one_pass, &by_index}) A->m_mark_colours[marks[0].first] = 0;
            }
        }
    }
}
