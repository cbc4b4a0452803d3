#include "WSortView.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/log.h>
#include <wx/rawbmp.h>

#ifdef __WXGTK3__
#include <cairo.h>
#endif

#include "SortAlgo.h"
#include "SortSound.h"
#include "WMain.h"

// ---------------------------------------------------------------------------
// The view

wxBEGIN_EVENT_TABLE(WSortView, wxPanel)
    EVT_PAINT(WSortView::HandlePaint)
    EVT_SIZE(WSortView::HandleSize)
wxEND_EVENT_TABLE()

WSortView::WSortView(wxWindow* parent, int id, WMain* wmain_)
    : wxPanel(parent, id),
      wmain(wmain_),
      m_items(),
      m_step_mode(false),
      m_step_gate(0, 0)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_step_mode = false;
    m_items.m_pacer = this;
}

void WSortView::Pace()
{
    DoDelay(g_delay_ms);
}

void WSortView::DoDelay(double delay)
{
    ASSERT(wmain->m_thread);
    ASSERT(wxThread::GetCurrentId() == wmain->m_thread->GetId());

    // the stop point: a stopped worker ends at its next paced access
    if (wmain->m_abort_requested) throw SortAbort();

    if (m_step_mode) {
        for (;;) {
            if (m_step_gate.WaitTimeout(200) == wxSEMA_NO_ERROR) break;
            // time-out: a pause point, so that a paused stepping worker
            // blocks here, and a chance to notice that step mode ended
            wmain->m_thread->TestDestroy();
            wxThread::Yield();
            if (!m_step_mode || wmain->m_abort_requested) break;
        }
    }

    wmain->m_thread->TestDestroy(); // pause point; the result is not used

    // A stop request that came while waiting for a step or while paused
    // needs no delay: the worker goes on to its next paced access and ends
    // there. The delay itself is a wait that the request cuts short.
    const unsigned long us = static_cast<unsigned long>(delay * 1000.0);
    if (us == 0 || wmain->m_abort_requested) return;
    std::unique_lock<std::mutex> lock(m_delay_lock);
    m_delay_wake.wait_for(lock, std::chrono::microseconds(us),
                          [this] { return static_cast<bool>(wmain->m_abort_requested); });
}

void WSortView::InterruptDelay()
{
    {
        // taken so that the notification cannot fall between the worker's
        // test of the request and the start of its wait
        std::lock_guard<std::mutex> lock(m_delay_lock);
    }
    m_delay_wake.notify_all();
    // a worker waiting for a step leaves its wait at once
    m_step_gate.Post();
}

void WSortView::DoStepwise()
{
    const wxSemaError se = m_step_gate.Post();
    if (se != wxSEMA_NO_ERROR) wxLogError(_("Error posting to semaphore: %d"), static_cast<int>(se));
}

// ---------------------------------------------------------------------------
// Painting

void WSortView::HandlePaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    paint(dc, GetSize());
}

void WSortView::HandleSize(wxSizeEvent&)
{
    Refresh(false);
}

WSortView::~WSortView()
{
#ifdef __WXGTK3__
    if (m_surface) cairo_surface_destroy(m_surface);
#endif
}

void WSortView::paint(wxDC& dc, const wxSize& size)
{
    // the lock is held only while the frame's colours and values are taken;
    // the pixels are drawn from that copy
    m_frame.Take(m_items);
    m_painted = true;
    if (PaintInPlace(dc, size)) return;
    m_canvas.Render(m_frame, size.GetWidth(), size.GetHeight());
    Blit(dc);
}

bool WSortView::PaintInPlace(wxDC& dc, const wxSize& size)
{
#ifdef __WXGTK3__
    // The frame is written straight into the context's pixels, where the
    // context lets them be reached as plain memory (a bitmap's pixels; the
    // display's buffer through the drawing library's mapping), one rectangle
    // of its clip at a time: no pass over the pixels but this one. Only for
    // a plain whole-pixel offset and a clip made of rectangles.
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    cairo_t* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    if (!cr) return false;
    cairo_surface_t* target = cairo_get_group_target(cr);
    const bool image = cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE;
    if (image) {
        const cairo_format_t format = cairo_image_surface_get_format(target);
        if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) return false;
    }
    double scale_x, scale_y, offset_x, offset_y;
    cairo_surface_get_device_scale(target, &scale_x, &scale_y);
    cairo_surface_get_device_offset(target, &offset_x, &offset_y);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (scale_x != 1 || scale_y != 1 || m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0) return false;
    const double shift_x = m.x0 + offset_x, shift_y = m.y0 + offset_y;
    if (shift_x != std::floor(shift_x) || shift_y != std::floor(shift_y)) return false;
    const int dx = static_cast<int>(shift_x), dy = static_cast<int>(shift_y);

    // the parts of the frame inside the clip, in whole pixels
    const int width = std::max(0, size.GetWidth()), height = std::max(0, size.GetHeight());
    std::vector<PaintPart>& parts = m_parts;
    parts.clear();
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    bool ok = clip->status == CAIRO_STATUS_SUCCESS;
    for (int k = 0; ok && k < clip->num_rectangles; ++k) {
        const cairo_rectangle_t& r = clip->rectangles[k];
        if (r.x != std::floor(r.x) || r.y != std::floor(r.y) || r.width != std::floor(r.width) ||
            r.height != std::floor(r.height)) {
            ok = false;
            break;
        }
        // (clamped as doubles first: a clip of an unbounded surface is huge)
        const PaintPart p{static_cast<int>(std::max(0.0, std::min<double>(width, r.x))),
                          static_cast<int>(std::max(0.0, std::min<double>(height, r.y))),
                          static_cast<int>(std::max(0.0, std::min<double>(width, r.x + r.width))),
                          static_cast<int>(std::max(0.0, std::min<double>(height, r.y + r.height)))};
        if (p.x0 < p.x1 && p.y0 < p.y1) parts.push_back(p);
    }
    cairo_rectangle_list_destroy(clip);
    if (!ok) return false;
    if (image) {
        for (const PaintPart& p : parts)
            if (p.x0 + dx < 0 || p.y0 + dy < 0 || p.x1 + dx > cairo_image_surface_get_width(target) ||
                p.y1 + dy > cairo_image_surface_get_height(target))
                return false;
    }

    m_columns.Layout(m_frame, width, height);
    if (image) cairo_surface_flush(target);
    for (const PaintPart& p : parts) {
        cairo_surface_t* pixels = target;
        cairo_rectangle_int_t extents{p.x0 + dx, p.y0 + dy, p.x1 - p.x0, p.y1 - p.y0};
        int x = extents.x, y = extents.y;
        if (!image) {
            pixels = cairo_surface_map_to_image(target, &extents);
            x = y = 0;
            const cairo_format_t format = cairo_image_surface_get_format(pixels);
            if (cairo_surface_status(pixels) != CAIRO_STATUS_SUCCESS ||
                (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32)) {
                cairo_surface_unmap_image(target, pixels);
                return false; // the blit below covers whatever was written
            }
        }
        const int stride = cairo_image_surface_get_stride(pixels);
        uint32_t* at = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(pixels) +
                                                   static_cast<ptrdiff_t>(y) * stride) + x;
        RenderRect(m_columns, p.x0, p.x1, p.y0, p.y1, at, stride / 4);
        if (image) cairo_surface_mark_dirty_rectangle(target, extents.x, extents.y, extents.width, extents.height);
        else {
            // (unmapping sends back only an image marked as changed)
            cairo_surface_mark_dirty(pixels);
            cairo_surface_unmap_image(target, pixels);
        }
    }
    return true;
#else
    (void)dc;
    (void)size;
    return false;
#endif
}

bool WSortView::NeedsRepaint() const
{
    return !m_painted || m_frame.highlights_shown || m_items.Changes() != m_frame.changes;
}

void WSortView::Blit(wxDC& dc)
{
    const int width = m_canvas.width(), height = m_canvas.height();
    if (width == 0 || height == 0) return;

#ifdef __WXGTK3__
    // the context draws with cairo: the canvas's words are cairo's RGB24
    // pixels as they are, so the blit is the only pass over them
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    cairo_t* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    if (cr) {
        if (m_surface && (m_surface_pixels != m_canvas.pixels() ||
                          cairo_image_surface_get_width(m_surface) != width ||
                          cairo_image_surface_get_height(m_surface) != height)) {
            cairo_surface_destroy(m_surface);
            m_surface = nullptr;
        }
        if (!m_surface) {
            m_surface = cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(m_canvas.pixels()), CAIRO_FORMAT_RGB24, width, height,
                static_cast<int>(m_canvas.stride() * 4));
            m_surface_pixels = m_canvas.pixels();
        }
        else {
            // the pixels changed behind cairo's back: forget any copy of them
            cairo_surface_mark_dirty(m_surface);
        }
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, m_surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
        return;
    }
#endif

    // any other context: through a bitmap's raw pixels
    wxBitmap bitmap(width, height, 24);
    wxNativePixelData data(bitmap);
    if (!data) return;
    wxNativePixelData::Iterator row(data);
    const uint32_t* src = m_canvas.pixels();
    for (int y = 0; y < height; ++y, src += m_canvas.stride()) {
        wxNativePixelData::Iterator p = row;
        for (int x = 0; x < width; ++x, ++p) {
            p.Red() = static_cast<unsigned char>(src[x] >> 16);
            p.Green() = static_cast<unsigned char>(src[x] >> 8);
            p.Blue() = static_cast<unsigned char>(src[x]);
        }
        row.OffsetY(data, 1);
    }
    dc.DrawBitmap(bitmap, 0, 0);
}

// ---------------------------------------------------------------------------
// The worker

SortAlgoThread::SortAlgoThread(WMain* wmain, WSortView* sortview, size_t algo, long serial)
    : wxThread(wxTHREAD_JOINABLE), m_main(wmain), m_view(sortview), m_algo(algo),
      m_serial(serial)
{
}

wxThread::ExitCode SortAlgoThread::Entry()
{
    ASSERT(m_algo < g_algolist_size);
    SortArray& A = m_view->m_items;
    try {
        A.PrepareInversions(g_algolist[m_algo]);
        g_algolist[m_algo].func(A);
        // the watched variables lived in the algorithm's frames, now gone
        A.unwatch_all();
        A.CheckSorted();
    }
    catch (const SortAbort&) {
        // stopped: the algorithm's frames are unwound, and with them every
        // variable it watched; no result check, no completion event
        A.unwatch_all();
        return 0;
    }

    wxCommandEvent evt(wxEVT_BUTTON, ID_RUN_FINISHED);
    evt.SetExtraLong(m_serial); // tells the window which worker finished
    m_main->GetEventHandler()->AddPendingEvent(evt);
    return 0;
}

// ---------------------------------------------------------------------------
// Clickable text

// wxWidgets' window style bit 0x20000 (wxPOPUP_WINDOW; wxRETAINED on Motif),
// added to the style of every clickable text. On a child control under GTK it
// changes neither the text's size, position nor behaviour: a static text
// created with or without it looks and acts the same. It stays so that the
// texts' style word does not change: GetWindowStyleFlag reports it, and the
// window tests check that the four status texts carry it.
static const long CLICK_TEXT_STYLE = 0x20000;

wxBEGIN_EVENT_TABLE(wxClickText, wxStaticText)
    EVT_LEFT_DOWN(wxClickText::HandleLeftDown)
wxEND_EVENT_TABLE()

wxClickText::wxClickText(wxWindow* parent, wxWindowID id, const wxString& label,
                         const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
    : wxStaticText(parent, id, label, pos, size, style | CLICK_TEXT_STYLE, name)
{
}

void wxClickText::HandleLeftDown(wxMouseEvent& me)
{
    wxCommandEvent evt(wxEVT_BUTTON, GetId());
    GetEventHandler()->AddPendingEvent(evt);
    me.Skip();
}

// ---------------------------------------------------------------------------
// The audio device's callback: the view's array scales the pitch

void SoundCallback(void* udata, uint8_t* stream, int len)
{
    const WSortView* view = static_cast<const WSortView*>(udata);
    SoundRender(view->m_items.m_max_value, stream, len);
}
