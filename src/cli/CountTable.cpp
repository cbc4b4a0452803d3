#include "CountTable.h"

#include <algorithm>
#include <cmath>

#include <wx/arrstr.h>

#include "SortAlgo.h"
#include "SortArray.h"

const char* const COUNT_CSV_COLUMNS[] = {
    "algorithm",       "input",           "size",          "repeats",         "comparisons_mean",
    "comparisons_min", "comparisons_max", "accesses_mean", "accesses_min",    "accesses_max",
    "inversions",      "runs",            "sorted",        "ms_per_run",      "status",
    "reason",
};
const size_t COUNT_CSV_COLUMN_COUNT = sizeof(COUNT_CSV_COLUMNS) / sizeof(COUNT_CSV_COLUMNS[0]);

std::string AlgorithmName(size_t algorithm)
{
    return std::string(g_algolist[algorithm].name.utf8_str());
}

std::string InputTypeName(size_t input)
{
    wxArrayString names;
    SortArray::ListInputTypes(names);
    return std::string(names[input].utf8_str());
}

std::string PivotRuleName(size_t rule)
{
    return std::string(PivotRuleNames()[rule].utf8_str());
}

namespace {

const char* StateName(CellResult::State s)
{
    switch (s) {
    case CellResult::COUNTED: return "counted";
    case CellResult::SKIPPED: return "skipped";
    case CellResult::FAILED: return "failed";
    case CellResult::PENDING: break;
    }
    return "pending";
}

std::string Format(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string Integer(uint64_t v)
{
    return std::to_string(v);
}

// A mean: whole numbers without decimals, others with one.
std::string Mean(double v)
{
    return v == std::floor(v) ? Format("%.0f", v) : Format("%.1f", v);
}

std::string Milliseconds(double ms)
{
    return Format(ms < 10 ? "%.3f" : "%.1f", ms);
}

std::string CsvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string JsonString(const std::string& s)
{
    std::string q = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        }
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            q += buf;
        }
        else {
            q += static_cast<char>(c);
        }
    }
    return q + "\"";
}

} // namespace

void WriteCountCsv(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results)
{
    for (size_t c = 0; c < COUNT_CSV_COLUMN_COUNT; ++c)
        std::fprintf(out, "%s%s", c ? "," : "", COUNT_CSV_COLUMNS[c]);
    std::fprintf(out, "\n");

    for (size_t i = 0; i < cells.size(); ++i) {
        const CountCell& cell = cells[i];
        const CellResult& r = results[i];
        if (r.state == CellResult::PENDING) continue;
        std::vector<std::string> f = {AlgorithmName(cell.algorithm), InputTypeName(cell.input),
                                      Integer(cell.size)};
        if (r.state == CellResult::COUNTED) {
            f.insert(f.end(), {Integer(r.repeats), Format("%.1f", r.comparisons.mean), Integer(r.comparisons.min),
                               Integer(r.comparisons.max), Format("%.1f", r.accesses.mean),
                               Integer(r.accesses.min), Integer(r.accesses.max), Format("%.1f", r.inversions),
                               Format("%.1f", r.runs), r.sorted ? "true" : "false",
                               Format("%.4f", r.ms_per_run)});
        }
        else {
            f.insert(f.end(), 11, "");
        }
        f.push_back(StateName(r.state));
        f.push_back(r.reason);
        for (size_t c = 0; c < f.size(); ++c) std::fprintf(out, "%s%s", c ? "," : "", CsvField(f[c]).c_str());
        std::fprintf(out, "\n");
    }
}

void WriteCountJson(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results,
                    const CountSettings& settings)
{
    std::fprintf(out, "{\n  \"seed\": %u,\n  \"pivot\": %s,\n  \"cells\": [", settings.seed,
                 JsonString(PivotRuleName(static_cast<size_t>(settings.pivot))).c_str());
    bool first = true;
    for (size_t i = 0; i < cells.size(); ++i) {
        const CountCell& cell = cells[i];
        const CellResult& r = results[i];
        if (r.state == CellResult::PENDING) continue;
        std::fprintf(out, "%s\n    {\"algorithm\": %s, \"input\": %s, \"size\": %zu, \"status\": \"%s\"",
                     first ? "" : ",", JsonString(AlgorithmName(cell.algorithm)).c_str(),
                     JsonString(InputTypeName(cell.input)).c_str(), cell.size, StateName(r.state));
        first = false;
        if (r.state == CellResult::COUNTED) {
            std::fprintf(out,
                         ", \"repeats\": %u"
                         ", \"comparisons\": {\"mean\": %.1f, \"min\": %llu, \"max\": %llu}"
                         ", \"accesses\": {\"mean\": %.1f, \"min\": %llu, \"max\": %llu}"
                         ", \"inversions\": %.1f, \"runs\": %.1f, \"sorted\": %s, \"ms_per_run\": %.4f",
                         r.repeats, r.comparisons.mean, static_cast<unsigned long long>(r.comparisons.min),
                         static_cast<unsigned long long>(r.comparisons.max), r.accesses.mean,
                         static_cast<unsigned long long>(r.accesses.min),
                         static_cast<unsigned long long>(r.accesses.max), r.inversions, r.runs,
                         r.sorted ? "true" : "false", r.ms_per_run);
        }
        else {
            std::fprintf(out, ", \"reason\": %s", JsonString(r.reason).c_str());
        }
        std::fprintf(out, "}");
    }
    std::fprintf(out, "%s]\n}\n", first ? "" : "\n  ");
}

void WriteCountTable(FILE* out, const std::vector<CountCell>& cells, const std::vector<CellResult>& results)
{
    // columns: text left-aligned, numbers right-aligned; a skipped or failed
    // cell's reason fills the row after its size
    const std::vector<std::string> head = {"Algorithm",  "Input",        "Size", "Comparisons", "(min..max)",
                                           "Accesses",   "(min..max)",   "Inversions", "Runs", "Sorted",
                                           "ms/run"};
    const std::vector<bool> right = {false, false, true, true, false, true, false, true, true, false, true};
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> notes;
    for (size_t i = 0; i < cells.size(); ++i) {
        const CountCell& cell = cells[i];
        const CellResult& r = results[i];
        if (r.state == CellResult::PENDING) continue;
        std::vector<std::string> row = {AlgorithmName(cell.algorithm), InputTypeName(cell.input),
                                        Integer(cell.size)};
        if (r.state == CellResult::COUNTED) {
            auto spread = [&](const CountStats& s) {
                return r.repeats > 1 ? "(" + Integer(s.min) + ".." + Integer(s.max) + ")" : std::string();
            };
            row.insert(row.end(), {Mean(r.comparisons.mean), spread(r.comparisons), Mean(r.accesses.mean),
                                   spread(r.accesses), Mean(r.inversions), Mean(r.runs),
                                   r.sorted ? "yes" : "NO", Milliseconds(r.ms_per_run)});
            notes.push_back("");
        }
        else {
            notes.push_back(std::string(StateName(r.state)) + ": " + r.reason);
        }
        rows.push_back(row);
    }

    // names may hold multi-byte characters: pad by characters, not bytes
    auto columns = [](const std::string& s) {
        return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char ch) { return (ch & 0xC0) != 0x80; }));
    };
    std::vector<size_t> width(head.size());
    for (size_t c = 0; c < head.size(); ++c) width[c] = columns(head[c]);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], columns(row[c]));
    auto print_row = [&](const std::vector<std::string>& row, const std::string& note) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string pad(width[c] - std::min(width[c], columns(row[c])), ' ');
            if (c) line += "  ";
            line += right[c] ? pad + row[c] : row[c] + pad;
        }
        if (!note.empty()) line += "  " + note;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::fprintf(out, "%s\n", line.c_str());
    };
    print_row(head, "");
    for (size_t k = 0; k < rows.size(); ++k) print_row(rows[k], notes[k]);
}
