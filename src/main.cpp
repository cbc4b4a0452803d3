// The process entry: hands argc/argv unchanged to the toolkit.
#include "WMain.h"

wxIMPLEMENT_APP(MyApp);
