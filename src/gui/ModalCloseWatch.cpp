#include "ModalCloseWatch.h"

#include <gtk/gtk.h>

namespace {

ModalCloseWatch* g_watch = nullptr; // the watch in place, if any

void HandleEvent(GdkEvent* event, gpointer)
{
    if (g_watch && gdk_event_get_event_type(event) == GDK_DELETE &&
        gdk_event_get_window(event) == g_watch->m_gdk_window) {
        g_watch->m_requested = true;
        if (g_watch->m_box->IsModal()) g_watch->m_box->EndModal(wxID_CANCEL);
        return;
    }
    gtk_main_do_event(event);
}

// The toolkit's own dispatch, as installed before the watch.
void DispatchEvent(GdkEvent* event, gpointer)
{
    gtk_main_do_event(event);
}

} // namespace

ModalCloseWatch::ModalCloseWatch(wxTopLevelWindow* window, wxDialog* box)
    : m_box(box), m_gdk_window(nullptr), m_requested(false)
{
    GtkWidget* widget = window->GetHandle();
    m_gdk_window = widget ? gtk_widget_get_window(widget) : nullptr;
    if (!m_gdk_window || g_watch) return;
    // Every event passes through this handler before the toolkit's own
    // dispatch, which drops the window's close request while the box
    // holds the input grab.
    g_watch = this;
    gdk_event_handler_set(&HandleEvent, nullptr, nullptr);
}

ModalCloseWatch::~ModalCloseWatch()
{
    if (g_watch != this) return;
    g_watch = nullptr;
    gdk_event_handler_set(&DispatchEvent, nullptr, nullptr);
}
