// The slow ones: bogo and bozo sort, which shuffle until the array is in
// order, and the recursive stooge and slow sort.
#ifndef QUORVEX_ALGORITHMS_BOGOSORT_H
#define QUORVEX_ALGORITHMS_BOGOSORT_H

#include "SortArray.h"

// Scans for ascending order, marking every position found in order; a failed
// scan removes its marks again.
bool BogoCheckSorted(SortArray& A);
void BogoSort(SortArray& A);
void BozoSort(SortArray& A);
void StoogeSort(SortArray& A);
void SlowSort(SortArray& A);

#endif
