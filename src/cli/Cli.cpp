#include "Cli.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include <wx/arrstr.h>

#include "SortAlgo.h"
#include "SortArray.h"
#include "Version.h"

namespace {

struct Command
{
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command COMMANDS[] = {
    {"list", ListCommand, "list the algorithms, input types and pivot rules with their positions"},
    {"render", RenderCommand, "render one run to a video file (.mp4, .mkv, .webm) or a sound file (.wav)"},
    {"count", CountCommand, "count comparisons and accesses across algorithms, inputs and sizes"},
};

void PrintUsage(FILE* out)
{
    std::fprintf(out,
                 "Usage: quorvex                      open the window\n"
                 "       quorvex COMMAND [OPTIONS]    run a command; no display needed\n"
                 "       quorvex --help | --version\n"
                 "\nCommands:\n");
    for (const Command& c : COMMANDS) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'quorvex COMMAND --help' describes a command's options.\n");
}

std::string Names(const wxArrayString& names)
{
    std::string all;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) all += ", ";
        all += "'" + std::string(names[i].utf8_str()) + "'";
    }
    return all;
}

bool Find(const char* what, const wxArrayString& names, const std::string& text, size_t& index)
{
    char* end = nullptr;
    const unsigned long pos = std::strtoul(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0' && text[0] != '-' && text[0] != '+') {
        if (pos >= 1 && pos <= names.size()) {
            index = pos - 1;
            return true;
        }
        CliError("no " + std::string(what) + " at position " + text + "; positions run from 1 to " +
                 std::to_string(names.size()) + " (see 'quorvex list')");
        return false;
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].utf8_str(), text.c_str()) == 0) {
            index = i;
            return true;
        }
    CliError("unknown " + std::string(what) + " '" + text + "'; choose one of " + Names(names) +
             ", or a position from 1 to " + std::to_string(names.size()));
    return false;
}

} // namespace

bool HasExtension(const std::string& path, const char* extension)
{
    const size_t n = std::strlen(extension);
    return path.size() > n && strcasecmp(path.c_str() + path.size() - n, extension) == 0;
}

void CliError(const std::string& message)
{
    std::fprintf(stderr, "quorvex: %s\n", message.c_str());
}

bool FindAlgorithm(const std::string& text, size_t& index)
{
    wxArrayString names;
    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) names.Add(ae->name);
    return Find("algorithm", names, text, index);
}

bool FindInputType(const std::string& text, size_t& index)
{
    wxArrayString names;
    SortArray::ListInputTypes(names);
    return Find("input type", names, text, index);
}

bool FindPivotRule(const std::string& text, size_t& index)
{
    return Find("pivot rule", PivotRuleNames(), text, index);
}

int RunCommandLine(int argc, char** argv)
{
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 || std::strcmp(first, "help") == 0) {
        PrintUsage(stdout);
        return EXIT_DONE;
    }
    if (std::strcmp(first, "--version") == 0) {
        std::printf("quorvex %s\n", QUORVEX_VERSION);
        return EXIT_DONE;
    }
    for (const Command& c : COMMANDS)
        if (std::strcmp(first, c.name) == 0) return c.run(argc - 1, argv + 1);

    std::string names;
    for (const Command& c : COMMANDS) names += std::string(names.empty() ? "" : ", ") + c.name;
    CliError("unknown command '" + std::string(first) + "'; the commands are " + names +
             " (see 'quorvex --help')");
    return EXIT_USAGE;
}
