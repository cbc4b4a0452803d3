// The About dialog: name, version, description, link and build date.
#ifndef QUORVEX_WABOUT_H
#define QUORVEX_WABOUT_H

#include "WMain_wxg.h"

class WAbout : public WAbout_wxg
{
public:
    explicit WAbout(wxWindow* parent);
};

#endif
