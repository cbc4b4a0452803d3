#include "algorithms/sortnetwork.h"

#include <algorithm>
#include <vector>

// Each sort generates its whole network first, touching no array position,
// orders it by stage so that the picture shows the parallel stages sweeping
// over the array, and then executes it comparator by comparator.

std::vector<SortNetworkComparator> g_bitonic_network;
std::vector<SortNetworkComparator> g_batcher_network;

static void ExecuteNetwork(SortArray& A, std::vector<SortNetworkComparator>& network)
{
    for (const SortNetworkComparator& c : network) {
        const SortItem& a = A[c.first];
        const SortItem& b = A[c.second];
        if (a > b) A.swap(c.first, c.second);
    }
    network.clear();
}

static void BitonicMerge(uint32_t lo, uint32_t count, bool up, uint32_t depth, uint32_t layer)
{
    if (count <= 1) return;
    uint32_t m = 1; // the greatest power of two below count
    while (m < count) m *= 2;
    m /= 2;
    for (uint32_t i = lo; i < lo + count - m; ++i) {
        if (up) g_bitonic_network.push_back(SortNetworkComparator{i, i + m, depth, layer});
        else g_bitonic_network.push_back(SortNetworkComparator{i + m, i, depth, layer});
    }
    BitonicMerge(lo, m, up, depth, layer + 1);
    BitonicMerge(lo + m, count - m, up, depth, layer + 1);
}

static void BitonicGenerate(uint32_t lo, uint32_t count, bool up, uint32_t depth)
{
    if (count <= 1) return;
    const uint32_t m = count / 2;
    BitonicGenerate(lo, m, !up, depth + 1);
    BitonicGenerate(lo + m, count - m, up, depth + 1);
    BitonicMerge(lo, count, up, depth, 0);
}

void BitonicSort(SortArray& A)
{
    g_bitonic_network.clear(); // left over by a stopped run
    BitonicGenerate(0, static_cast<uint32_t>(A.size()), true, 0);

    // a merge runs its outermost comparators first, then its halves
    std::sort(g_bitonic_network.begin(), g_bitonic_network.end(),
              [](const SortNetworkComparator& a, const SortNetworkComparator& b) {
                  if (a.depth != b.depth) return a.depth > b.depth;
                  if (a.layer != b.layer) return a.layer < b.layer;
                  return a.first < b.first;
              });

    ExecuteNetwork(A, g_bitonic_network);
}

// The odd-even merge network is built for a power of two; comparators that
// reach beyond the array's n items are dropped.
static void compare(uint32_t i, uint32_t j, uint32_t depth, uint32_t layer, uint32_t n)
{
    ASSERT(i < j);
    if (j >= n) return;
    g_batcher_network.push_back(SortNetworkComparator{i, j, depth, layer});
}

static void BatcherMerge(uint32_t lo, uint32_t count, uint32_t r, uint32_t depth, uint32_t layer,
                         uint32_t n)
{
    const uint32_t step = 2 * r;
    if (step < count) {
        BatcherMerge(lo, count, step, depth, layer + 1, n);     // even subsequence
        BatcherMerge(lo + r, count, step, depth, layer + 1, n); // odd subsequence
        for (uint32_t i = lo + r; i + r < lo + count; i += step) compare(i, i + r, depth, layer, n);
    }
    else {
        compare(lo, lo + r, depth, layer, n);
    }
}

static void BatcherGenerate(uint32_t lo, uint32_t count, uint32_t depth, uint32_t n)
{
    if (count <= 1) return;
    const uint32_t m = count / 2;
    BatcherGenerate(lo, m, depth + 1, n);
    BatcherGenerate(lo + m, m, depth + 1, n);
    BatcherMerge(lo, count, 1, depth, 0, n);
}

void BatcherSortNetwork(SortArray& A)
{
    g_batcher_network.clear(); // left over by a stopped run

    const uint32_t n = static_cast<uint32_t>(A.size());
    uint32_t N = 1; // the smallest power of two not below n
    while (N < n) N *= 2;
    BatcherGenerate(0, N, 0, n);

    // a merge merges its odd and even subsequences (deeper layers) first,
    // then applies its outermost comparators
    std::sort(g_batcher_network.begin(), g_batcher_network.end(),
              [](const SortNetworkComparator& a, const SortNetworkComparator& b) {
                  if (a.depth != b.depth) return a.depth > b.depth;
                  if (a.layer != b.layer) return a.layer > b.layer;
                  return a.first < b.first;
              });

    ExecuteNetwork(A, g_batcher_network);
}
