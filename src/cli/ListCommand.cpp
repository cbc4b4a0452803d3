// quorvex list: the names and positions every other command accepts.
#include <cstdio>
#include <cstring>

#include <wx/arrstr.h>

#include "Cli.h"
#include "SortAlgo.h"
#include "SortArray.h"

namespace {

void PrintList(const char* title, const wxArrayString& names)
{
    std::printf("%s:\n", title);
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("  %2zu  %s\n", i + 1, static_cast<const char*>(names[i].utf8_str()));
}

} // namespace

int ListCommand(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("Usage: quorvex list\n\n"
                    "Lists the algorithms, input types and pivot rules with their positions.\n"
                    "Other commands take either a name (case ignored) or a position.\n");
        return EXIT_DONE;
    }
    if (argc > 1) {
        CliError(std::string("list takes no arguments, not '") + argv[1] + "'");
        return EXIT_USAGE;
    }

    wxArrayString algorithms, inputs;
    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) algorithms.Add(ae->name);
    SortArray::ListInputTypes(inputs);

    PrintList("Algorithms", algorithms);
    std::printf("\n");
    PrintList("Input types", inputs);
    std::printf("\n");
    PrintList("Pivot rules (quick sorts)", PivotRuleNames());
    return EXIT_DONE;
}
