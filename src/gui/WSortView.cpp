#include "WSortView.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/log.h>

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

static const int COLOUR_COUNT = 17;

void WSortView::paint(wxDC& dc, const wxSize& size)
{
    // bars are whole pixels: a smoothing context would blend their corners
    // (the pens' round joins) into the background
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);

    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();

    const size_t n = m_items.size();
    if (n == 0) return;

    dc.SetDeviceOrigin(10, 10);
    const double W = size.GetWidth() - 20, H = size.GetHeight() - 20;

    double bar_width = (W > n - 1) ? (W - (n - 1.0)) / n : 0.0;
    double step = bar_width + 1.0;
    // bars of about one pixel with one-pixel gaps look better as two-pixel
    // bars without gaps
    if (std::fabs(bar_width - 1.0) < 0.1 && std::fabs(step - 2.0) < 0.1) bar_width = step = 2.0;

    static wxPen pens[COLOUR_COUNT];
    static wxBrush brushes[COLOUR_COUNT];
    static bool made = false;
    if (!made) {
        static const unsigned char rgb[COLOUR_COUNT - 4][3] = {
            {255, 255, 0},   {255, 0, 255},   {255, 192, 128}, {255, 128, 192},
            {128, 192, 255}, {192, 255, 128}, {192, 128, 255}, {128, 255, 192},
            {128, 128, 255}, {192, 128, 192}, {128, 192, 192}, {192, 192, 128},
            {0, 128, 255},
        };
        pens[0] = *wxWHITE_PEN;   brushes[0] = *wxWHITE_BRUSH;
        pens[1] = *wxRED_PEN;     brushes[1] = *wxRED_BRUSH;
        pens[2] = *wxGREEN_PEN;   brushes[2] = *wxGREEN_BRUSH;
        pens[3] = *wxCYAN_PEN;    brushes[3] = *wxCYAN_BRUSH;
        for (int k = 4; k < COLOUR_COUNT; ++k) {
            const wxColour c(rgb[k - 4][0], rgb[k - 4][1], rgb[k - 4][2]);
            pens[k] = wxPen(c, 1, wxPENSTYLE_SOLID);
            brushes[k] = wxBrush(c, wxBRUSHSTYLE_SOLID);
        }
        made = true;
    }

    wxMutexLocker lock(m_items.m_guard);
    ASSERT(lock.IsOk());

    // all colours of the frame in one pass over the highlights
    m_items.IndexColours(m_colours);

    const double max_value = m_items.m_max_value;
    for (size_t i = 0; i < n; ++i) {
        const int clr = m_colours[i];
        ASSERT(clr < (int)(sizeof(brushes) / sizeof(brushes[0])));
        dc.SetPen(pens[clr]);
        dc.SetBrush(brushes[clr]);

        const int x = static_cast<int>(i * step);
        const int next_x = static_cast<int>((i + 1) * step);
        const int w = static_cast<int>(std::max(1.0, (next_x - x) + (bar_width - step)));
        const double value = m_items.direct(i).raw();
        const int h = max_value > 0 ? static_cast<int>(-(value * H / max_value)) : 0;

        // the bar rises from the bottom edge of the drawable area
        if (h < 0) dc.DrawRectangle(x, static_cast<int>(H) + h, w, -h);
    }
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

// the window style bit the clickable texts have always been created with
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
