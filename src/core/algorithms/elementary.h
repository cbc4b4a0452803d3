// Elementary sorts: selection, insertion, binary insertion, bubble, cocktail
// shaker, gnome, comb, shell and odd-even sort.
#ifndef QUORVEX_ALGORITHMS_ELEMENTARY_H
#define QUORVEX_ALGORITHMS_ELEMENTARY_H

#include "SortArray.h"

void SelectionSort(SortArray& A);
void InsertionSort(SortArray& A);
void BinaryInsertionSort(SortArray& A);
void BubbleSort(SortArray& A);
void CocktailShakerSort(SortArray& A);
void GnomeSort(SortArray& A);
void CombSort(SortArray& A);
void ShellSort(SortArray& A);
void OddEvenSort(SortArray& A);

#endif
