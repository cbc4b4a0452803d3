// Block merge sort: a bottom-up stable merge sort that needs only an 8-item
// cache and a few ranges, pulling internal buffers of distinct values out of
// the array itself when a range is too long for the cache.
#ifndef QUORVEX_ALGORITHMS_BLOCKMERGE_H
#define QUORVEX_ALGORITHMS_BLOCKMERGE_H

#include "SortArray.h"

// The catalogue entry "Block Merge Sort (WikiSort)".
void WikiSort(SortArray& A);

#endif
