// Quick sorts: left and right pointers, two pointers on the left, the two
// ternary splits and dual pivot, with the pivot rule chosen in the window.
#ifndef QUORVEX_ALGORITHMS_QUICKSORT_H
#define QUORVEX_ALGORITHMS_QUICKSORT_H

#include <cstdint>

#include <wx/arrstr.h>

#include "SortArray.h"

// Index of the pivot rule chosen in the main window; written only while no
// algorithm runs. 0 first item, 1 last item, 2 middle item, 3 random item,
// 4 median of three; any other value picks the first item.
extern Relaxed<int32_t> g_pivot_rule;

// The rule names in index order, for the pivot rule choice.
wxArrayString PivotRuleNames();

// A position in lo to hi - 1 by the current pivot rule.
int64_t QuickSortSelectPivot(SortArray& A, int64_t lo, int64_t hi);

void QuickSortLR(SortArray& A);
void QuickSortLL(SortArray& A);
void QuickSortTernaryLR(SortArray& A);
void QuickSortTernaryLL(SortArray& A);
void QuickSortDualPivot(SortArray& A);

#endif
