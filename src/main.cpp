// The process entry: with no arguments the window opens; with any argument the
// command line runs it, before the toolkit's GUI starts, so a command needs no
// display.
#include <wx/app.h>

#include "Cli.h"
#include "WMain.h"

wxIMPLEMENT_APP_NO_MAIN(MyApp);

int main(int argc, char** argv)
{
    if (argc > 1) return RunCommandLine(argc, argv);
    return wxEntry(argc, argv);
}
