// The application and its main window.
#ifndef QUORVEX_WMAIN_H
#define QUORVEX_WMAIN_H

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/listbox.h>

#include "SortArray.h"
#include "WSortView.h"

class MyApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;
};

class WMain : public wxFrame
{
public:
    explicit WMain(wxWindow* parent);
    ~WMain() override;

    WSortView* sortview;
    wxListBox* algoList;

    // The current worker, or null; owned here.
    SortAlgoThread* m_thread;
    // Set just before a worker that should end is joined.
    Relaxed<bool> m_abort_requested;
    size_t m_array_size;

    // Starts the algorithm selected in the list; true if a worker started.
    bool RunAlgorithm();
    // Ends, joins and deletes the current worker, if any.
    void StopAlgorithm();

    virtual void HandleRunFinished(wxCommandEvent& ce);

private:
    long m_run_serial; // numbers the workers this window started

    wxDECLARE_EVENT_TABLE();
};

#endif
