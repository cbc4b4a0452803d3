// The array view: owns the array, paints it, and paces the algorithm worker.
#ifndef QUORVEX_WSORTVIEW_H
#define QUORVEX_WSORTVIEW_H

#include <condition_variable>
#include <mutex>
#include <vector>

#include <wx/dc.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/thread.h>

#include "FrameRenderer.h"
#include "SortArray.h"

typedef struct _cairo_surface cairo_surface_t;

class WMain;

// Command id of the event a worker posts to the main window when its
// algorithm and the result check have run to their end.
enum { ID_RUN_FINISHED = 7999 };

class WSortView : public wxPanel, public SortDelay
{
public:
    WSortView(wxWindow* parent, int id, WMain* wmain);
    ~WSortView() override;

    WMain* wmain;
    SortArray m_items;
    Relaxed<bool> m_step_mode;
    wxSemaphore m_step_gate;

    virtual void HandlePaint(wxPaintEvent& pe);
    virtual void HandleSize(wxSizeEvent& se);
    void Pace() override;

    // Worker thread: ends the worker at a stop request, waits for a step in
    // step mode, honours a pause, then sleeps the delay.
    void DoDelay(double delay);
    // GUI thread: releases one paced access in step mode.
    void DoStepwise();
    // GUI thread, after the stop request is set: cuts short the worker's
    // wait for its delay or for a step, so that it reaches its next paced
    // access (and ends there) at once.
    void InterruptDelay();

    // Draws one frame of width by height pixels.
    void paint(wxDC& dc, const wxSize& size);

    // True if a painting now would differ from the last one: the array
    // changed since, or a highlight shown then is still to be held or taken
    // away. The refresh timer repaints only then.
    bool NeedsRepaint() const;
    // What the last painting showed.
    const FrameSnapshot& LastFrame() const { return m_frame; }

private:
    // Writes the frame straight into the context's pixels where they are
    // plain memory; false if they are not (then the canvas is blitted).
    bool PaintInPlace(wxDC& dc, const wxSize& size);
    // Draws the canvas on the context in one blit.
    void Blit(wxDC& dc);

    FrameSnapshot m_frame;  // the last frame's state
    FrameCanvas m_canvas;   // its pixels, kept from frame to frame
    FrameColumns m_columns; // its layout, for painting in place
    struct PaintPart { int x0, y0, x1, y1; };
    std::vector<PaintPart> m_parts; // the frame's parts inside the clip
    bool m_painted = false; // m_frame holds a painted frame
    // the canvas's pixels as a drawing surface, remade when they move
    cairo_surface_t* m_surface = nullptr;
    const uint32_t* m_surface_pixels = nullptr;

    // The delay's wait: a timed wait that a stop request ends early.
    std::mutex m_delay_lock;
    std::condition_variable m_delay_wake;

    wxDECLARE_EVENT_TABLE();
};

// The worker: runs one catalogue entry on the view's array.
class SortAlgoThread : public wxThread
{
public:
    SortAlgoThread(WMain* wmain, WSortView* sortview, size_t algo, long serial = 0);

    WMain* m_main;
    WSortView* m_view;
    size_t m_algo;
    // Numbers the runs of one window, so that a completion event still queued
    // from a stopped worker is never taken for a newer worker's.
    long m_serial;

    ExitCode Entry() override;
};

// A static text that sends a button command event with its id when clicked.
class wxClickText : public wxStaticText
{
public:
    wxClickText(wxWindow* parent, wxWindowID id, const wxString& label,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0, const wxString& name = wxStaticTextNameStr);

    void HandleLeftDown(wxMouseEvent& me);

private:
    wxDECLARE_EVENT_TABLE();
};

#endif
