// The command line: quorvex COMMAND [options]. Nothing here opens a display.
#ifndef QUORVEX_CLI_H
#define QUORVEX_CLI_H

#include <cstddef>
#include <string>

// Runs the command that argv[1] names (or --help, --version) and returns the
// process's exit status: 0 done, 1 the work failed, 2 a usage error.
int RunCommandLine(int argc, char** argv);

// Exit statuses of every command.
enum { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Prints "quorvex: MESSAGE" on stderr.
void CliError(const std::string& message);

// Whether path ends in extension (".svg"), case ignored, after at least one
// other character.
bool HasExtension(const std::string& path, const char* extension);

// Looks up a catalogue entry, an input type or a pivot rule by its name as
// `quorvex list` prints it (case ignored) or by its position there (from 1).
// On success stores the 0-based index and returns true; otherwise prints one
// line naming the text and the valid choices, and returns false.
bool FindAlgorithm(const std::string& text, size_t& index);
bool FindInputType(const std::string& text, size_t& index);
bool FindPivotRule(const std::string& text, size_t& index);

// The commands, each with its own options; argv[0] is the command's name.
int ListCommand(int argc, char** argv);
int RenderCommand(int argc, char** argv);
int CountCommand(int argc, char** argv);

#endif
