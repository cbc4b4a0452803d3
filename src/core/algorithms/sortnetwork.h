// The two sorting networks: Batcher's bitonic sort and Batcher's odd-even
// merge sort.
#ifndef QUORVEX_ALGORITHMS_SORTNETWORK_H
#define QUORVEX_ALGORITHMS_SORTNETWORK_H

#include <cstdint>
#include <vector>

#include "SortArray.h"

// One comparator: after it, position first holds the smaller item of the two.
struct SortNetworkComparator
{
    uint32_t first;
    uint32_t second;
    uint32_t depth; // recursion depth of the sort whose merge made it
    uint32_t layer; // recursion depth within that merge
};

// Each network sort's comparators, filled only while that sort runs.
extern std::vector<SortNetworkComparator> g_bitonic_network;
extern std::vector<SortNetworkComparator> g_batcher_network;

void BitonicSort(SortArray& A);
void BatcherSortNetwork(SortArray& A);

#endif
