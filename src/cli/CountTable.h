// quorvex count, the output: an aligned table for people, CSV and JSON for
// programs. Every writer prints the cells that are done (counted, skipped or
// failed) in the cells' order and leaves out those still pending.
#ifndef QUORVEX_COUNTTABLE_H
#define QUORVEX_COUNTTABLE_H

#include <cstdio>
#include <string>
#include <vector>

#include "CountRun.h"

// The CSV columns, in order; the first line of the CSV output.
extern const char* const COUNT_CSV_COLUMNS[];
extern const size_t COUNT_CSV_COLUMN_COUNT;

void WriteCountCsv(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results);
void WriteCountJson(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results,
                    const CountSettings& settings);
void WriteCountTable(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results);

// Display names, as `quorvex list` prints them.
std::string AlgorithmName(size_t algorithm);
std::string InputTypeName(size_t input);
std::string PivotRuleName(size_t rule);

#endif
