#include "WMain.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <SDL.h>
#include <wx/icon.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "SortAlgo.h"
#include "SortSound.h"
#include "Version.h"
#include "ModalCloseWatch.h"
#include "WAbout.h"

#include "quorvex.xpm"

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

wxBEGIN_EVENT_TABLE(WMain, WMain_wxg)
    EVT_TOGGLEBUTTON(ID_RUN_BUTTON, WMain::HandleRunToggle)
    EVT_BUTTON(ID_RESET_BUTTON, WMain::HandleReset)
    EVT_BUTTON(ID_STEP_BUTTON, WMain::HandleStep)
    EVT_TOGGLEBUTTON(ID_SOUND_BUTTON, WMain::HandleSoundToggle)
    EVT_BUTTON(ID_RANDOM_BUTTON, WMain::HandleRandom)
    EVT_BUTTON(wxID_ABOUT, WMain::HandleAbout)
    EVT_COMMAND_SCROLL(ID_SPEED_SLIDER, WMain::HandleSpeedScroll)
    EVT_COMMAND_SCROLL(ID_SOUND_SUSTAIN_SLIDER, WMain::HandleSustainScroll)
    EVT_BUTTON(ID_INVERSION_LABEL, WMain::HandleInversionsClick)
    EVT_COMMAND_SCROLL(ID_ARRAY_SIZE_SLIDER, WMain::HandleArraySizeScroll)
    EVT_LISTBOX(ID_ALGO_LIST, WMain::HandleAlgoSelect)
    EVT_LISTBOX_DCLICK(ID_ALGO_LIST, WMain::HandleAlgoActivate)
    EVT_BUTTON(ID_RUN_FINISHED, WMain::HandleRunFinished)
wxEND_EVENT_TABLE()

WMain::WMain(wxWindow* parent)
    : WMain_wxg(this, parent, wxID_ANY, wxEmptyString),
      m_thread(nullptr), m_abort_requested(false), m_array_size(100),
      m_refresh_timer(nullptr), m_run_serial(0)
{
    g_sound_on = false;

    pivotRulePanel->Hide();
    infoTextctrl->Hide();

    SetIcon(wxIcon(quorvex_xpm));
    SetTitle(wxString(_("Quorvex " QUORVEX_VERSION " - ")) + g_web_address);

    // the control column starts about 280 pixels wide and keeps its width
    splitter->SetSashPosition(GetSize().GetWidth() - 280, true);

    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) algoList->Append(ae->name);
    // set from code: no selection event, pivot row and description stay hidden
    algoList->SetSelection(0);

    wxArrayString inputTypes;
    SortArray::ListInputTypes(inputTypes);
    inputTypeChoice->Append(inputTypes);
    sortview->m_items.FillArray(0, 100);
    inputTypeChoice->SetSelection(0);

    arraySizeSlider->SetValue(100);
    ApplyArraySize(100);

    pivotRuleChoice->Append(PivotRuleNames());
    pivotRuleChoice->SetSelection(0);

    speedSlider->SetValue(1000);
    ApplySpeed(1000);

    soundSustainSlider->SetValue(700);
    ApplySustain(700);

    // the audio device, paused until Sound is pressed; the callback reads the
    // view's array through its user data
    SDL_AudioSpec wanted;
    std::memset(&wanted, 0, sizeof(wanted));
    wanted.freq = 44100;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 1;
    wanted.samples = 4096;
    wanted.callback = SoundCallback;
    wanted.userdata = sortview;
    if (SDL_OpenAudio(&wanted, nullptr) < 0) {
        wxLogError(wxString(_("Couldn't open audio: ")) + wxString(SDL_GetError(), wxConvISO8859_1));
        soundButton->Disable();
    }

    soundButton->SetValue(false);

    Show(true);

    m_refresh_timer = new RefreshTimer(this);
    m_refresh_timer->Start(33, wxTIMER_CONTINUOUS);
}

WMain::~WMain()
{
    // the timer must never fire on a frame that is going away
    if (m_refresh_timer) {
        m_refresh_timer->Stop();
        delete m_refresh_timer;
        m_refresh_timer = nullptr;
    }
    // the worker sorts the view's array and the audio callback reads it: both
    // end before the base class destroys the view
    StopAlgorithm();
    SDL_CloseAudio();
}

void WMain::RefillArray()
{
    sortview->m_items.FillArray(inputTypeChoice->GetSelection(), m_array_size);
}

void WMain::ReapThread()
{
    if (m_thread && !m_thread->IsAlive()) {
        m_thread->Wait();
        delete m_thread;
        m_thread = nullptr;
    }
}

bool WMain::RunAlgorithm()
{
    ASSERT(!m_thread);

    const int sel = algoList->GetSelection();
    if (sel == wxNOT_FOUND) {
        wxLogError(_("Please select a sorting algorithm"));
        runButton->SetValue(false);
        return false;
    }

    // the previous run left the array sorted: start on a fresh one
    if (sortview->m_items.m_sorted_ok) RefillArray();

    sortview->m_step_mode = false;
    // steps posted while no worker took them must not release accesses of
    // the new run
    while (sortview->m_step_gate.TryWait() == wxSEMA_NO_ERROR) {
    }

    g_pivot_rule = pivotRuleChoice->GetSelection();

    m_thread = new SortAlgoThread(this, sortview, static_cast<size_t>(sel), ++m_run_serial);
    m_abort_requested = false;
    if (m_thread->Create() != wxTHREAD_NO_ERROR || m_thread->Run() != wxTHREAD_NO_ERROR) {
        delete m_thread;
        m_thread = nullptr;
        wxLogError(_("Couldn't start the algorithm thread"));
        runButton->SetValue(false);
        return false;
    }

    runButton->SetValue(true);
    return true;
}

void WMain::StopAlgorithm()
{
    if (!m_thread) return;

    // the order matters: the worker must meet the flag once it moves again
    m_abort_requested = true;
    sortview->InterruptDelay();
    if (m_thread->IsPaused()) m_thread->Resume();
    sortview->m_step_mode = false;
    m_thread->Wait();
    delete m_thread;
    m_thread = nullptr;
}

// ---------------------------------------------------------------------------
// Value mappings of the sliders

void WMain::ApplySpeed(unsigned int pos)
{
    // 20000^(pos/2000) / 10 ms: about 0.1 ms at 1, 14.1 ms at 1000, 2 s at 2000
    if (pos == 0)
        g_delay_ms = 0.0;
    else
        g_delay_ms = std::exp2(pos / 2000.0 * 9.903487552536127 / 1.3862943611198906 * 2) / 10.0;

    const double delay = g_delay_ms;
    if (delay > 10)
        labelDelayValue->SetLabel(wxString::Format(_("%.0f ms"), delay));
    else if (delay > 1)
        labelDelayValue->SetLabel(wxString::Format(_("%.1f ms"), delay));
    else
        labelDelayValue->SetLabel(wxString::Format(_("%.2f ms"), delay));
    labelDelayValue->GetContainingSizer()->Layout();
}

void WMain::ApplySustain(unsigned int pos)
{
    // 50^(pos/2000): from 1 to 50 times the delay
    g_sound_sustain = std::exp2(pos / 2000.0 * 3.912023005428146 / 1.3862943611198906 * 2);

    labelSoundSustainValue->SetLabel(wxString::Format(_("%.1f"), static_cast<double>(g_sound_sustain)));
    labelSoundSustainValue->GetContainingSizer()->Layout();
}

void WMain::ApplyArraySize(unsigned int pos)
{
    // takes effect at the next refill
    m_array_size = pos;

    labelArraySizeValue->SetLabel(wxString::Format(_("%4lu"), static_cast<unsigned long>(pos)));
    labelArraySizeValue->GetContainingSizer()->Layout();
}

// ---------------------------------------------------------------------------
// Handlers, in the order of the event table

void WMain::HandleRunToggle(wxCommandEvent& ce)
{
    // a worker that ended but whose completion event is still queued
    ReapThread();

    if (ce.IsChecked()) {
        if (!m_thread) {
            RunAlgorithm(); // sets the button itself
            return;
        }
        sortview->m_step_mode = false;
        if (m_thread->IsPaused()) m_thread->Resume();
    }
    else {
        if (m_thread) m_thread->Pause();
    }
}

void WMain::HandleReset(wxCommandEvent&)
{
    StopAlgorithm();
    runButton->SetValue(false);
    RefillArray();
}

void WMain::HandleStep(wxCommandEvent&)
{
    if (m_thread) {
        if (m_thread->IsPaused()) m_thread->Resume();
        sortview->m_step_mode = true;
        runButton->SetValue(false);
        sortview->DoStepwise();
    }
    else if (RunAlgorithm()) {
        // the Run button stays pressed, as RunAlgorithm left it
        sortview->m_step_mode = true;
        sortview->DoStepwise();
    }
}

void WMain::HandleSoundToggle(wxCommandEvent& ce)
{
    if (ce.IsChecked()) {
        // the renderer starts afresh before the device calls back, and
        // recording starts after that
        SoundReset();
        SDL_PauseAudio(0);
        g_sound_on = true;
    }
    else {
        // recording stops before the device is paused
        g_sound_on = false;
        SDL_PauseAudio(1);
    }
}

void WMain::HandleRandom(wxCommandEvent&)
{
    StopAlgorithm();

    const uint32_t count = static_cast<uint32_t>(algoList->GetCount());
    algoList->SetSelection(static_cast<int>(static_cast<uint32_t>(rand()) % count));

    RefillArray();
    RunAlgorithm();

    // the random choice stays a surprise: nothing is shown as selected
    algoList->SetSelection(wxNOT_FOUND);
}

void WMain::HandleAbout(wxCommandEvent&)
{
    WAbout dlg(this);
    // a close request for this window while the box is open ends the box,
    // then closes the window as it would have without the box
    ModalCloseWatch watch(this, &dlg);
    dlg.ShowModal();
    if (watch.CloseRequested()) Close();
}

void WMain::HandleSpeedScroll(wxScrollEvent& se)
{
    ApplySpeed(se.GetInt());
}

void WMain::HandleSustainScroll(wxScrollEvent& se)
{
    ApplySustain(se.GetInt());
}

void WMain::HandleInversionsClick(wxCommandEvent&)
{
    sortview->m_items.ToggleInversions();
}

void WMain::HandleArraySizeScroll(wxScrollEvent& se)
{
    ApplyArraySize(se.GetInt());
}

void WMain::HandleAlgoSelect(wxCommandEvent&)
{
    const int sel = algoList->GetSelection();
    const wxString text = sel == wxNOT_FOUND ? wxString() : algoList->GetString(sel);

    pivotRulePanel->Show(text.Contains(_("Quick Sort")));

    if (sel >= 0 && static_cast<size_t>(sel) < g_algolist_size && !g_algolist[sel].description.empty()) {
        infoTextctrl->SetValue(g_algolist[sel].description);
        infoTextctrl->Show();
    }
    else {
        infoTextctrl->Hide();
    }

    infoTextctrl->GetContainingSizer()->Layout();
}

void WMain::HandleAlgoActivate(wxCommandEvent&)
{
    if (m_thread) {
        StopAlgorithm();
        RefillArray();
    }
    RunAlgorithm();
}

void WMain::HandleRunFinished(wxCommandEvent& ce)
{
    // a completion event of a worker that was stopped and replaced meanwhile:
    // joining now would block on the newer worker
    if (m_thread && ce.GetExtraLong() != m_thread->m_serial) return;

    if (m_thread) {
        m_thread->Wait();
        delete m_thread;
        m_thread = nullptr;
    }
    runButton->SetValue(false);
}

// ---------------------------------------------------------------------------
// Status refresh

void WMain::RefreshTimer::Notify()
{
    WMain& wm = *m_wmain;
    SortArray& A = wm.sortview->m_items;

    wm.labelAccessesValue->SetLabel(wxString::Format(_("%ld"), static_cast<long>(g_access_count.load())));
    wm.labelComparisonsValue->SetLabel(wxString::Format(_("%ld"), static_cast<long>(g_comparison_count.load())));

    const int64_t inversions = A.m_inversion_count;
    if (inversions < 0)
        wm.labelInversionsValue->SetLabel(_("skipped"));
    else
        wm.labelInversionsValue->SetLabel(wxString::Format(_("%ld"), static_cast<long>(inversions)));

    wm.labelRunsValue->SetLabel(wxString::Format(_("%ld"), static_cast<long>(A.CountRuns())));

    // a view showing what it would paint now is left alone
    if (wm.sortview->NeedsRepaint()) wm.sortview->Refresh(false);
}
