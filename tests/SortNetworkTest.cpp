// The two comparator networks: their generation, their stage order, their
// execution on the array, and the lists they leave behind when stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "SortAlgo.h"
#include "Trace.h"

namespace {

typedef std::vector<SortNetworkComparator> Network;
typedef std::vector<std::pair<uint32_t, uint32_t>> Pairs;

struct NetworkSort
{
    const char* name;
    void (*sort)(SortArray&);
    Network* list;
    bool layers_ascending; // the stage order within one depth
};

const NetworkSort kBitonic = {"bitonic", &BitonicSort, &g_bitonic_network, true};
const NetworkSort kBatcher = {"odd-even merge", &BatcherSortNetwork, &g_batcher_network, false};

// Copies the sort's list at its first paced access: by then the network is
// generated and ordered, and executing it has just begun.
class NetworkSpy : public SortDelay
{
public:
    explicit NetworkSpy(const Network& list) : m_list(list) {}
    void Pace() override
    {
        if (!m_taken) network = m_list;
        m_taken = true;
    }
    Network network;

private:
    const Network& m_list;
    bool m_taken = false;
};

std::vector<int> Ascending(size_t n)
{
    std::vector<int> v;
    for (size_t i = 0; i < n; ++i) v.push_back(static_cast<int>(i + 1));
    return v;
}

// Runs the sort on n ascending items and returns the network it executed.
Network Generated(const NetworkSort& s, size_t n)
{
    SortArray A;
    SetValues(A, Ascending(n));
    NetworkSpy spy(*s.list);
    A.m_pacer = &spy;
    s.sort(A);
    A.m_pacer = nullptr;

    EXPECT_TRUE(s.list->empty()) << s.name << ": the list is emptied after execution";
    // every comparator is one comparison, and an ascending input is left alone
    EXPECT_EQ(g_comparison_count, spy.network.size()) << s.name << ", " << n << " items";
    EXPECT_EQ(Values(A), Ascending(n)) << s.name;
    return spy.network;
}

Pairs PairsOf(const Network& net)
{
    Pairs p;
    for (const SortNetworkComparator& c : net) p.emplace_back(c.first, c.second);
    return p;
}

TEST(SortNetwork, ExecutesTheComparatorsInStageOrder)
{
    struct TraceCase
    {
        const NetworkSort* sort;
        std::vector<int> input;
        std::string trace;
    };
    const TraceCase cases[] = {
        {&kBitonic, {7}, ""},
        {&kBatcher, {7}, ""},
        {&kBitonic, {2, 1}, "r0 r1 c1 s0,1"},
        {&kBatcher, {2, 1}, "r0 r1 c1 s0,1"},
        // (1, 0) (2, 3) (0, 2) (1, 3) (0, 1) (2, 3): the left half is first
        // sorted descending, so even an ascending input is exchanged twice
        {&kBitonic, {1, 2, 3, 4}, "r1 r0 c1 s1,0 r2 r3 c1 r0 r2 c1 r1 r3 c1 r0 r1 c1 s0,1 r2 r3 c1"},
        {&kBitonic, {4, 3, 2, 1}, "r1 r0 c1 r2 r3 c1 s2,3 r0 r2 c1 s0,2 r1 r3 c1 s1,3 r0 r1 c1 r2 r3 c1 s2,3"},
        // (0, 1) (2, 3) (0, 2) (1, 3) (1, 2); after swap(1, 3) the read of
        // position 1 is the repeated index
        {&kBatcher, {4, 3, 2, 1}, "r0 r1 c1 s0,1 r2 r3 c1 s2,3 r0 r2 c1 s0,2 r1 r3 c1 s1,3 r2 c1"},
        {&kBatcher, {1, 2, 3, 4}, "r0 r1 c1 r2 r3 c1 r0 r2 c1 r1 r3 c1 r1 r2 c1"},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        TraceRecorder trace(A);
        c.sort->sort(A);

        std::vector<int> sorted = c.input;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(trace.str(), c.trace) << c.sort->name << ", " << c.input.size() << " items";
        EXPECT_EQ(Values(A), sorted);
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0)) << "no marks";
        EXPECT_TRUE(A.m_watched.empty()) << "no watches";
    }
}

TEST(SortNetwork, ComparatorCountsAndOrders)
{
    struct Count
    {
        size_t n;
        size_t bitonic, batcher;
    };
    for (const Count& c : {Count{1, 0, 0}, Count{2, 1, 1}, Count{4, 6, 5}, Count{5, 9, 9},
                           Count{8, 24, 19}, Count{16, 80, 63}, Count{100, 1194, 1104}}) {
        EXPECT_EQ(Generated(kBitonic, c.n).size(), c.bitonic) << c.n << " items";
        EXPECT_EQ(Generated(kBatcher, c.n).size(), c.batcher) << c.n << " items";
    }

    // bitonic, 5 items: the sort of [2, 5) merges (3, 4) at depth 2, then
    // (2, 4) and (2, 3); [0, 2) is sorted descending by (1, 0)
    EXPECT_EQ(PairsOf(Generated(kBitonic, 5)),
              (Pairs{{3, 4}, {1, 0}, {2, 4}, {2, 3}, {0, 4}, {0, 2}, {1, 3}, {0, 1}, {2, 3}}));
    // odd-even merge, 8 items: pairs, then the merges of four, then the
    // merge of eight with its odd and even sub-merges first
    EXPECT_EQ(PairsOf(Generated(kBatcher, 8)),
              (Pairs{{0, 1}, {2, 3}, {4, 5}, {6, 7},
                     {0, 2}, {1, 3}, {4, 6}, {5, 7}, {1, 2}, {5, 6},
                     {0, 4}, {1, 5}, {2, 6}, {3, 7}, {2, 4}, {3, 5}, {1, 2}, {3, 4}, {5, 6}}));
}

// Deepest sub-networks first, then the layers in the sort's direction, then
// by first position; a stage (one depth and layer) is a set of comparators
// that touch disjoint positions, so they could all run at once.
TEST(SortNetwork, StagesAreOrderedAndParallel)
{
    for (const NetworkSort* s : {&kBitonic, &kBatcher}) {
        for (size_t n = 1; n <= 70; ++n) {
            const Network net = Generated(*s, n);
            std::vector<int64_t> stage_of(n, -1); // the last stage that touched a position
            int64_t stage = -1;
            for (size_t k = 0; k < net.size(); ++k) {
                const SortNetworkComparator& c = net[k];
                ASSERT_LT(c.first, n);
                ASSERT_LT(c.second, n);
                ASSERT_NE(c.first, c.second);
                if (s == &kBatcher) {
                    ASSERT_LT(c.first, c.second);
                }

                if (k > 0) {
                    const SortNetworkComparator& p = net[k - 1];
                    const int64_t dir = s->layers_ascending ? 1 : -1;
                    const auto key = [dir](const SortNetworkComparator& x) {
                        return std::make_tuple(-static_cast<int64_t>(x.depth), dir * x.layer, x.first);
                    };
                    ASSERT_LT(key(p), key(c)) << s->name << ", " << n << " items, comparator " << k;
                    if (p.depth != c.depth || p.layer != c.layer) ++stage;
                }
                else {
                    stage = 0;
                }
                ASSERT_NE(stage_of[c.first], stage) << s->name << ", " << n << " items, comparator " << k;
                ASSERT_NE(stage_of[c.second], stage) << s->name << ", " << n << " items, comparator " << k;
                stage_of[c.first] = stage_of[c.second] = stage;
            }
        }
    }
}

// The 0-1 principle: a comparator network sorts every input if it sorts every
// sequence of zeros and ones.
TEST(SortNetwork, SortsEveryZeroOneSequence)
{
    for (const NetworkSort* s : {&kBitonic, &kBatcher}) {
        for (size_t n = 1; n <= 12; ++n) {
            const Network net = Generated(*s, n);
            for (uint32_t bits = 0; bits < (1u << n); ++bits) {
                std::vector<int> v(n);
                for (size_t i = 0; i < n; ++i) v[i] = (bits >> i) & 1;
                for (const SortNetworkComparator& c : net)
                    if (v[c.first] > v[c.second]) std::swap(v[c.first], v[c.second]);
                ASSERT_TRUE(std::is_sorted(v.begin(), v.end()))
                    << s->name << ", " << n << " items, input bits " << bits;
            }
        }
    }
}

// A run stopped at a paced access leaves its comparators behind; the next run
// of the same sort discards them before it generates its own.
TEST(SortNetwork, NextRunDiscardsTheListOfAStoppedRun)
{
    for (const NetworkSort* s : {&kBitonic, &kBatcher}) {
        SortArray A;
        A.FillArray(0, 16);
        {
            StopAt stop(A, 11);
            EXPECT_THROW(s->sort(A), SortAbort) << s->name;
        }
        EXPECT_EQ(s->list->size(), s == &kBitonic ? 80u : 63u) << s->name;

        std::vector<int> sorted = Values(A);
        std::sort(sorted.begin(), sorted.end());
        A.FinishFill(); // counters back to 0, as a refill would
        s->sort(A);
        EXPECT_EQ(g_comparison_count, s == &kBitonic ? 80u : 63u) << s->name;
        EXPECT_EQ(Values(A), sorted) << s->name;
        EXPECT_TRUE(s->list->empty()) << s->name;
    }
}

} // namespace
