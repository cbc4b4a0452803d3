#include "ModalCloseWatch.h"

// The few calls of the toolkit's GTK and GDK layer that the watch needs.
extern "C" {
typedef union _GdkEvent GdkEvent;
typedef void (*QuorvexGdkEventFunc)(GdkEvent* event, void* data);
GdkWindow* gtk_widget_get_window(GtkWidget* widget);
void gdk_event_handler_set(QuorvexGdkEventFunc func, void* data, void (*notify)(void*));
void gtk_main_do_event(GdkEvent* event);
}

namespace {

// The head of every GDK event.
struct GdkEventHead
{
    int type;
    GdkWindow* window;
};
const int GDK_DELETE = 0;

ModalCloseWatch* g_watch = nullptr; // the watch in place, if any

void HandleEvent(GdkEvent* event, void*)
{
    const GdkEventHead* head = reinterpret_cast<const GdkEventHead*>(event);
    if (g_watch && head->type == GDK_DELETE && head->window == g_watch->m_gdk_window) {
        g_watch->m_requested = true;
        if (g_watch->m_box->IsModal()) g_watch->m_box->EndModal(wxID_CANCEL);
        return;
    }
    gtk_main_do_event(event);
}

// The toolkit's own dispatch, as installed before the watch.
void DispatchEvent(GdkEvent* event, void*)
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
