// A close request that arrives while a modal box of the main window is open.
#ifndef QUORVEX_MODALCLOSEWATCH_H
#define QUORVEX_MODALCLOSEWATCH_H

#include <wx/dialog.h>
#include <wx/toplevel.h>

// While a modal box is open the toolkit drops a close request for the window
// behind it (the window manager's WM_DELETE_WINDOW): the window is disabled
// and the box holds the input grab. This watch, alive for the time the box
// is shown, catches that request on the window itself, ends the box, and
// remembers it, so that the caller then closes the window as any close
// request would.
class ModalCloseWatch
{
public:
    ModalCloseWatch(wxTopLevelWindow* window, wxDialog* box);
    ~ModalCloseWatch();
    ModalCloseWatch(const ModalCloseWatch&) = delete;
    ModalCloseWatch& operator=(const ModalCloseWatch&) = delete;

    // True once a close request for the window arrived.
    bool CloseRequested() const { return m_requested; }

    // Read by the event handler while the watch is in place.
    wxDialog* m_box;
    GdkWindow* m_gdk_window; // the window's, null if it has none yet
    bool m_requested;
};

#endif
