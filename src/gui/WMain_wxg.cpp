#include "WMain_wxg.h"

#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/intl.h>
#include <wx/sizer.h>


// ---------------------------------------------------------------------------
// The main window

WMain_wxg::WMain_wxg(WMain* frame, wxWindow* parent, wxWindowID id, const wxString& title,
                     const wxPoint& pos, const wxSize& size, long style)
    : wxFrame(parent, id, title, pos, size, style)
{
    splitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                    wxSP_3D | wxSP_LIVE_UPDATE, "splitter");
    controlPanel = new wxPanel(splitter, wxID_ANY);
    pivotRulePanel = new wxPanel(controlPanel, wxID_ANY);
    animationControlsBox = new wxStaticBox(controlPanel, wxID_ANY, _("Animation Controls"));
    inputAlgorithmBox = new wxStaticBox(controlPanel, wxID_ANY, _("Input and Algorithm"));
    viewPanel = new wxPanel(splitter, wxID_ANY);
    // the view keeps the pointer to the frame it belongs to; nothing of the
    // frame is reached before its construction is complete
    sortview = new WSortView(viewPanel, wxID_ANY, frame);
    runButton = new wxToggleButton(controlPanel, ID_RUN_BUTTON, _("&Run"));
    resetButton = new wxButton(controlPanel, ID_RESET_BUTTON, _("R&eset"));
    stepButton = new wxButton(controlPanel, ID_STEP_BUTTON, _("&Step"));
    soundButton = new wxToggleButton(controlPanel, ID_SOUND_BUTTON, _("S&ound"));
    aboutButton = new wxButton(controlPanel, wxID_ABOUT, _("&About"));
    randomButton = new wxButton(controlPanel, ID_RANDOM_BUTTON, _("Ran&dom"));
    speedSlider = new wxSlider(controlPanel, ID_SPEED_SLIDER, 0, 0, 2000);
    labelDelayValue = new wxStaticText(controlPanel, wxID_ANY, wxEmptyString);
    soundSustainSlider = new wxSlider(controlPanel, ID_SOUND_SUSTAIN_SLIDER, 0, 0, 2000);
    // created with the widest text it will show: it never resizes itself
    labelSoundSustainValue = new wxStaticText(controlPanel, wxID_ANY, _("50.0"), wxDefaultPosition,
                                              wxDefaultSize, wxALIGN_CENTRE | wxST_NO_AUTORESIZE);
    labelComparisonsValue = new wxClickText(controlPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                            wxDefaultSize, 0, "staticText");
    labelAccessesValue = new wxClickText(controlPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                         wxDefaultSize, 0, "staticText");
    labelInversionsValue = new wxClickText(controlPanel, ID_INVERSION_LABEL, wxEmptyString,
                                           wxDefaultPosition, wxDefaultSize, 0, "staticText");
    labelRunsValue = new wxClickText(controlPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, 0, "staticText");
    inputTypeChoice = new wxChoice(controlPanel, wxID_ANY);
    arraySizeSlider = new wxSlider(controlPanel, ID_ARRAY_SIZE_SLIDER, 1, 1, 2048);
    labelArraySizeValue = new wxStaticText(controlPanel, wxID_ANY, _("1024"), wxDefaultPosition,
                                           wxDefaultSize, wxALIGN_CENTRE | wxST_NO_AUTORESIZE);
    algoList = new wxListBox(controlPanel, ID_ALGO_LIST, wxDefaultPosition, wxDefaultSize, 0,
                             nullptr, wxLB_SINGLE);
    labelPivotRule = new wxStaticText(pivotRulePanel, wxID_ANY, _("Pivot Rule: "));
    pivotRuleChoice = new wxChoice(pivotRulePanel, wxID_ANY);
    infoTextctrl = new wxTextCtrl(controlPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY);

    set_properties();
    do_layout();
}

void WMain_wxg::set_properties()
{
    SetTitle(wxString(_("Quorvex - ")) + g_web_address);
    sortview->SetMinSize(wxSize(640, 480));
    speedSlider->SetToolTip(_("Changes the animation speed by setting the delay for each array access."));
    soundSustainSlider->SetToolTip(_("Changes the duration of each access sound as a multiple of the delay."));
    labelInversionsValue->SetToolTip(_("Current number of inversions. Click to enable or disable."));
    labelRunsValue->SetToolTip(_("Current number of runs."));
    pivotRulePanel->Hide();
    // The description box is never shorter than its vertical scrollbar
    // needs (with room for three lines of text): allocated less, the
    // toolkit's scrollbar complains on the terminal at every layout.
    infoTextctrl->SetMinSize(wxSize(-1, 3 * infoTextctrl->GetCharHeight() + 16));
    // a wider frame widens the view only: the control column keeps its width
    splitter->SetSashGravity(1.0);
}

void WMain_wxg::do_layout()
{
    const int B = 4; // every border of the window

    wxBoxSizer* sizerFrame = new wxBoxSizer(wxHORIZONTAL);
    wxBoxSizer* sizerControls = new wxBoxSizer(wxVERTICAL);
    wxStaticBoxSizer* sizerInputAlgorithm = new wxStaticBoxSizer(inputAlgorithmBox, wxVERTICAL);
    wxBoxSizer* sizerPivotRule = new wxBoxSizer(wxHORIZONTAL);
    wxFlexGridSizer* gridInput = new wxFlexGridSizer(2, 2, 0, 0);
    wxBoxSizer* sizerArraySize = new wxBoxSizer(wxHORIZONTAL);
    wxStaticBoxSizer* sizerAnimationControls = new wxStaticBoxSizer(animationControlsBox, wxVERTICAL);
    wxBoxSizer* sizerAnimationInner = new wxBoxSizer(wxVERTICAL);
    wxFlexGridSizer* gridStatus = new wxFlexGridSizer(7, 2, 0, 0);
    wxBoxSizer* sizerSoundSustain = new wxBoxSizer(wxHORIZONTAL);
    wxGridSizer* gridButtons = new wxGridSizer(3, 2, 0, 0);
    wxBoxSizer* sizerView = new wxBoxSizer(wxHORIZONTAL);

    // the view
    sizerView->Add(sortview, 1, wxEXPAND, 0);
    viewPanel->SetSizer(sizerView);

    // "Animation Controls": the buttons, then the status grid
    const int buttonFlags = wxALL | wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL;
    gridButtons->Add(runButton, 0, buttonFlags, B);
    gridButtons->Add(resetButton, 0, buttonFlags, B);
    gridButtons->Add(stepButton, 0, buttonFlags, B);
    gridButtons->Add(soundButton, 0, buttonFlags, B);
    gridButtons->Add(aboutButton, 0, buttonFlags, B);
    gridButtons->Add(randomButton, 0, buttonFlags, B);
    sizerAnimationInner->Add(gridButtons, 0, wxEXPAND, 0);

    const int rowFlags = wxTOP | wxBOTTOM | wxALIGN_CENTER_VERTICAL;
    wxStaticText* labelSpeed = new wxStaticText(controlPanel, wxID_ANY, _("Speed: "));
    gridStatus->Add(labelSpeed, 0, wxALIGN_CENTER_VERTICAL, 0);
    gridStatus->Add(speedSlider, 0, wxEXPAND | wxALIGN_CENTER_VERTICAL, 0);
    wxStaticText* labelDelay = new wxStaticText(controlPanel, wxID_ANY, _("Delay: "));
    gridStatus->Add(labelDelay, 0, rowFlags, B);
    gridStatus->Add(labelDelayValue, 0, rowFlags | wxEXPAND, B);
    wxStaticText* labelSoundSustain = new wxStaticText(controlPanel, wxID_ANY, _("Sound Sustain: "));
    gridStatus->Add(labelSoundSustain, 0, rowFlags, B);
    sizerSoundSustain->Add(soundSustainSlider, 1, rowFlags, B);
    sizerSoundSustain->Add(labelSoundSustainValue, 0, rowFlags | wxLEFT | wxFIXED_MINSIZE, B);
    gridStatus->Add(sizerSoundSustain, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL, 0);
    wxStaticText* labelComparisons = new wxStaticText(controlPanel, wxID_ANY, _("Comparisons: "));
    gridStatus->Add(labelComparisons, 0, rowFlags, B);
    gridStatus->Add(labelComparisonsValue, 0, rowFlags | wxEXPAND, B);
    wxStaticText* labelAccesses = new wxStaticText(controlPanel, wxID_ANY, _("Array Accesses: "));
    gridStatus->Add(labelAccesses, 0, rowFlags, B);
    gridStatus->Add(labelAccessesValue, 0, rowFlags | wxEXPAND, B);
    wxStaticText* labelInversions = new wxStaticText(controlPanel, wxID_ANY, _("Inversions: "));
    gridStatus->Add(labelInversions, 0, rowFlags, B);
    gridStatus->Add(labelInversionsValue, 0, rowFlags | wxEXPAND, B);
    wxStaticText* labelRuns = new wxStaticText(controlPanel, wxID_ANY, _("Runs: "));
    gridStatus->Add(labelRuns, 0, rowFlags, B);
    gridStatus->Add(labelRunsValue, 0, rowFlags | wxEXPAND, B);
    gridStatus->AddGrowableCol(1);
    sizerAnimationInner->Add(gridStatus, 1, wxEXPAND, 0);
    sizerAnimationControls->Add(sizerAnimationInner, 1, wxEXPAND, 0);
    sizerControls->Add(sizerAnimationControls, 0, wxALL | wxEXPAND, B);

    // "Input and Algorithm": input grid, list, pivot rule row, description
    wxStaticText* labelInputType = new wxStaticText(controlPanel, wxID_ANY, _("Input Type: "));
    gridInput->Add(labelInputType, 0, rowFlags, B);
    gridInput->Add(inputTypeChoice, 0, rowFlags | wxEXPAND, B);
    wxStaticText* labelArraySize = new wxStaticText(controlPanel, wxID_ANY, _("Array Size: "));
    gridInput->Add(labelArraySize, 0, rowFlags, B);
    sizerArraySize->Add(arraySizeSlider, 1, rowFlags, B);
    sizerArraySize->Add(labelArraySizeValue, 0, rowFlags | wxLEFT | wxFIXED_MINSIZE, B);
    gridInput->Add(sizerArraySize, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL, 0);
    gridInput->AddGrowableCol(1);
    sizerInputAlgorithm->Add(gridInput, 0, wxEXPAND, 0);
    sizerInputAlgorithm->Add(algoList, 1, wxEXPAND, 0);
    sizerPivotRule->Add(labelPivotRule, 0, rowFlags, B);
    sizerPivotRule->Add(pivotRuleChoice, 1, rowFlags, B);
    pivotRulePanel->SetSizer(sizerPivotRule);
    sizerInputAlgorithm->Add(pivotRulePanel, 0, wxEXPAND, 0);
    sizerInputAlgorithm->Add(infoTextctrl, 0, wxEXPAND, 0);
    sizerControls->Add(sizerInputAlgorithm, 1, wxALL | wxEXPAND, B);
    controlPanel->SetSizer(sizerControls);

    splitter->SplitVertically(viewPanel, controlPanel, 10);
    sizerFrame->Add(splitter, 1, wxEXPAND, 0);
    SetSizer(sizerFrame);
    sizerFrame->Fit(this);
    // the frame never gets smaller than its content
    sizerFrame->SetSizeHints(this);
    Layout();
    Centre();
}

// ---------------------------------------------------------------------------
// The About dialog

WAbout_wxg::WAbout_wxg(wxWindow* parent, wxWindowID id, const wxString& title,
                       const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    labelTitle = new wxStaticText(this, wxID_ANY, _("Quorvex"));
    labelBuildDate = new wxStaticText(this, wxID_ANY, _("Build Time: "), wxDefaultPosition,
                                      wxDefaultSize, wxALIGN_CENTRE);
    buttonOK = new wxButton(this, wxID_OK, wxEmptyString);

    set_properties();
    do_layout();
}

void WAbout_wxg::set_properties()
{
    SetTitle(_("About"));
    labelTitle->SetFont(wxFont(14, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL,
                               false, wxEmptyString));
}

void WAbout_wxg::do_layout()
{
    const int B = 12;
    const int centred = wxALIGN_CENTER_HORIZONTAL;

    wxBoxSizer* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(labelTitle, 0, wxALL | centred, B);
    wxStaticText* labelDescription = new wxStaticText(
        this, wxID_ANY,
        _("Visualization and \"audibilization\" of many\n"
          "popular sorting algorithms for integers.\n"
          "Also counts the number of comparisons\n"
          "and array accesses while running."));
    sizer->Add(labelDescription, 0, wxLEFT | wxRIGHT | wxBOTTOM | centred, B);
    wxStaticText* labelAuthors = new wxStaticText(
        this, wxID_ANY, _("2025-2026\nThe Quorvex developers <developers@quorvex.org>"),
        wxDefaultPosition, wxDefaultSize, wxALIGN_CENTRE);
    sizer->Add(labelAuthors, 1, wxLEFT | wxRIGHT | wxBOTTOM | centred, B);
    wxHyperlinkCtrl* hyperlink = new wxHyperlinkCtrl(this, wxID_ANY, g_web_address, g_web_address);
    sizer->Add(hyperlink, 0, wxLEFT | wxRIGHT | wxBOTTOM | centred, B);
    sizer->Add(labelBuildDate, 0, wxLEFT | wxRIGHT | wxBOTTOM | centred, B);
    sizer->Add(buttonOK, 0, wxLEFT | wxRIGHT | wxBOTTOM | centred | wxFIXED_MINSIZE, 15);
    SetSizer(sizer);
    sizer->Fit(this);
    Layout();
    Centre();
}
