// The algorithm catalogue. Including this header also declares every
// algorithm it lists: each family lives in a file pair of its own under
// algorithms/, and generic code runs through SortArrayIterator.h.
#ifndef QUORVEX_SORTALGO_H
#define QUORVEX_SORTALGO_H

#include <cstddef>

#include <wx/string.h>

#include "SortArray.h"
#include "SortArrayIterator.h"
#include "algorithms/blockmerge.h"
#include "algorithms/bogosort.h"
#include "algorithms/elementary.h"
#include "algorithms/heapsort.h"
#include "algorithms/mergesort.h"
#include "algorithms/quicksort.h"
#include "algorithms/radixsort.h"
#include "algorithms/sortnetwork.h"
#include "algorithms/stdsort.h"
#include "algorithms/timsort.h"

// One catalogue record.
struct AlgoListEntry
{
    wxString name;
    void (*func)(SortArray&);
    // Largest size listed for the algorithm; nothing consults it.
    unsigned int size_limit;
    // Largest size at which inversions are counted live during a run.
    unsigned int inversion_limit;
    wxString description;
};

extern const AlgoListEntry g_algolist[];
extern const size_t g_algolist_size;
extern const AlgoListEntry* g_algolist_end;

#endif
