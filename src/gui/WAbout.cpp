#include "WAbout.h"

#include <wx/intl.h>
#include <wx/sizer.h>

#include "Version.h"

WAbout::WAbout(wxWindow* parent)
    : WAbout_wxg(parent, wxID_ANY, wxEmptyString)
{
    labelTitle->SetLabel(_("Quorvex " QUORVEX_VERSION));
    // the compiler's date of this file, e.g. "Nov  1 2026"
    labelBuildDate->SetLabel(wxString(_("Build Date: ")) + wxString(__DATE__));

    // the texts changed: size the dialog to them again
    GetSizer()->Fit(this);
    Layout();
    Centre();
}
