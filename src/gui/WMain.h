// The application and its main window.
#ifndef QUORVEX_WMAIN_H
#define QUORVEX_WMAIN_H

#include <cstdint>

#include <wx/app.h>
#include <wx/timer.h>

#include "SortArray.h"
#include "WMain_wxg.h"
#include "WSortView.h"

class MyApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;
};

class WMain : public WMain_wxg
{
public:
    explicit WMain(wxWindow* parent);
    ~WMain() override;

    // The current worker, or null; owned here.
    SortAlgoThread* m_thread;
    // Set just before a worker that should end is joined.
    Relaxed<bool> m_abort_requested;
    // The size of every refill.
    uint64_t m_array_size;

    // Samples the counters into the status labels and repaints the view if
    // its picture changed.
    class RefreshTimer : public wxTimer
    {
    public:
        explicit RefreshTimer(WMain* wmain) : m_wmain(wmain) {}
        void Notify() override;

        WMain* m_wmain;
    };
    RefreshTimer* m_refresh_timer;

    // Starts the algorithm selected in the list; true if a worker started.
    bool RunAlgorithm();
    // Ends, joins and deletes the current worker, if any.
    void StopAlgorithm();

    void ApplySpeed(unsigned int pos);
    void ApplySustain(unsigned int pos);
    void ApplyArraySize(unsigned int pos);

    virtual void HandleRunToggle(wxCommandEvent& ce);
    virtual void HandleReset(wxCommandEvent& ce);
    virtual void HandleStep(wxCommandEvent& ce);
    virtual void HandleSoundToggle(wxCommandEvent& ce);
    virtual void HandleRandom(wxCommandEvent& ce);
    virtual void HandleAbout(wxCommandEvent& ce);
    virtual void HandleSpeedScroll(wxScrollEvent& se);
    virtual void HandleSustainScroll(wxScrollEvent& se);
    virtual void HandleInversionsClick(wxCommandEvent& ce);
    virtual void HandleArraySizeScroll(wxScrollEvent& se);
    virtual void HandleAlgoSelect(wxCommandEvent& ce);
    virtual void HandleAlgoActivate(wxCommandEvent& ce);
    virtual void HandleRunFinished(wxCommandEvent& ce);

private:
    // Fills the array with the chosen input type at m_array_size.
    void RefillArray();
    // Joins and deletes a worker whose thread has ended.
    void ReapThread();

    long m_run_serial; // numbers the workers this window started

    wxDECLARE_EVENT_TABLE();
};

#endif
