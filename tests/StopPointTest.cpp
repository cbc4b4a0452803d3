// A run stopped at any paced access: the stop unwinds out of the algorithm,
// and the array can be filled and sorted again at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "SortAlgo.h"
#include "Trace.h"

namespace {

TEST(StopPoint, QuickMergeHeapAndSmoothSortsUnwind)
{
    void (*const sorts[])(SortArray&) = {
        &QuickSortLR, &QuickSortLL, &QuickSortTernaryLR, &QuickSortTernaryLL, &QuickSortDualPivot,
        &MergeSort, &MergeSortIterative, &HeapSort, &SmoothSort,
    };
    for (size_t s = 0; s < sizeof(sorts) / sizeof(sorts[0]); ++s) {
        for (unsigned at : {1u, 2u, 17u, 150u}) {
            SortArray A;
            A.FillArray(0, 40);
            {
                StopAt stop(A, at);
                EXPECT_THROW(sorts[s](A), SortAbort) << "sort " << s << ", access " << at;
                EXPECT_EQ(stop.paces, at) << "sort " << s;
            }
            A.FillArray(0, 40);
            std::vector<int> expected = Values(A);
            std::sort(expected.begin(), expected.end());
            sorts[s](A);
            EXPECT_EQ(Values(A), expected) << "sort " << s << ", after a stop at " << at;
        }
    }
}

} // namespace
