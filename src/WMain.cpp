#include "WMain.h"

#include <cstdlib>

#include <SDL.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "SortAlgo.h"

// ---------------------------------------------------------------------------
// The application

bool MyApp::OnInit()
{
    if (SDL_Init(SDL_INIT_AUDIO) < 0) {
        wxLogError(wxString("Couldn't initialize SDL: ") + wxString(SDL_GetError(), wxConvISO8859_1));
        wxLog::FlushActive();
        return false;
    }

    srand(wxGetLocalTime());

    WMain* frame = new WMain(nullptr);
    SetTopWindow(frame);
    frame->Show(true);
    return true;
}

int MyApp::OnExit()
{
    SDL_Quit();
    return wxApp::OnExit();
}

// ---------------------------------------------------------------------------
// The main window

wxBEGIN_EVENT_TABLE(WMain, wxFrame)
    EVT_BUTTON(ID_RUN_FINISHED, WMain::HandleRunFinished)
wxEND_EVENT_TABLE()

WMain::WMain(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, wxEmptyString),
      m_thread(nullptr), m_abort_requested(false), m_array_size(100), m_run_serial(0)
{
    sortview = new WSortView(this, wxID_ANY, this);
    sortview->SetMinSize(wxSize(640, 480));
    algoList = new wxListBox(this, 7009);
    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) algoList->Append(ae->name);
    algoList->SetSelection(0);

    wxBoxSizer* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(sortview, 1, wxEXPAND);
    sizer->Add(algoList, 0, wxEXPAND);
    SetSizerAndFit(sizer);

    sortview->m_items.FillArray(0, m_array_size);
    Show(true);
}

WMain::~WMain()
{
    StopAlgorithm();
}

bool WMain::RunAlgorithm()
{
    ASSERT(!m_thread);

    const int sel = algoList->GetSelection();
    if (sel == wxNOT_FOUND) {
        wxLogError(_("Please select a sorting algorithm"));
        return false;
    }
    if (sortview->m_items.m_sorted_ok) sortview->m_items.FillArray(0, m_array_size);

    sortview->m_step_mode = false;

    m_thread = new SortAlgoThread(this, sortview, static_cast<size_t>(sel), ++m_run_serial);
    m_abort_requested = false;
    m_thread->Create();
    m_thread->Run();
    return true;
}

void WMain::StopAlgorithm()
{
    if (!m_thread) return;

    // the order matters: the worker must meet the flag once it moves again
    m_abort_requested = true;
    if (m_thread->IsPaused()) m_thread->Resume();
    sortview->m_step_mode = false;
    m_thread->Wait();
    delete m_thread;
    m_thread = nullptr;
}

void WMain::HandleRunFinished(wxCommandEvent& ce)
{
    // a completion event of a worker that was stopped and replaced meanwhile
    if (m_thread && ce.GetExtraLong() != m_thread->m_serial) return;

    if (m_thread) {
        m_thread->Wait();
        delete m_thread;
        m_thread = nullptr;
    }
}
