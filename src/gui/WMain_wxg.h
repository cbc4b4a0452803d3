// The layout classes of the main window and the About dialog: controls,
// their properties and their sizers, nothing else. The behaviour lives in the
// derived classes WMain and WAbout.
#ifndef QUORVEX_WMAIN_WXG_H
#define QUORVEX_WMAIN_WXG_H

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/splitter.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include "WSortView.h"

// The project's web address, in the titles and the About dialog.
const char g_web_address[] = "https://quorvex.org/";

// Command ids of the main window's controls.
enum {
    ID_RUN_BUTTON = 6999,
    ID_RESET_BUTTON = 7000,
    ID_STEP_BUTTON = 7001,
    ID_SOUND_BUTTON = 7002,
    ID_RANDOM_BUTTON = 7003,
    ID_SPEED_SLIDER = 7005,
    ID_SOUND_SUSTAIN_SLIDER = 7006,
    ID_INVERSION_LABEL = 7007,
    ID_ARRAY_SIZE_SLIDER = 7008,
    ID_ALGO_LIST = 7009,
};

class WMain;

class WMain_wxg : public wxFrame
{
public:
    // `frame` is the derived window under construction, handed to the view
    // as its main window; it is only stored, never used, while this base is
    // built.
    WMain_wxg(WMain* frame, wxWindow* parent, wxWindowID id, const wxString& title,
              const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
              long style = wxDEFAULT_FRAME_STYLE);

protected:
    void set_properties();
    void do_layout();

public:
    wxSplitterWindow* splitter;
    wxPanel* controlPanel;
    wxPanel* pivotRulePanel;
    wxStaticBox* animationControlsBox;
    wxStaticBox* inputAlgorithmBox;
    wxPanel* viewPanel;
    WSortView* sortview;
    wxToggleButton* runButton;
    wxButton* resetButton;
    wxButton* stepButton;
    wxToggleButton* soundButton;
    wxButton* aboutButton;
    wxButton* randomButton;
    wxSlider* speedSlider;
    wxStaticText* labelDelayValue;
    wxSlider* soundSustainSlider;
    wxStaticText* labelSoundSustainValue;
    wxClickText* labelComparisonsValue;
    wxClickText* labelAccessesValue;
    wxClickText* labelInversionsValue;
    wxClickText* labelRunsValue;
    wxChoice* inputTypeChoice;
    wxSlider* arraySizeSlider;
    wxStaticText* labelArraySizeValue;
    wxListBox* algoList;
    wxStaticText* labelPivotRule;
    wxChoice* pivotRuleChoice;
    wxTextCtrl* infoTextctrl;
};

class WAbout_wxg : public wxDialog
{
public:
    WAbout_wxg(wxWindow* parent, wxWindowID id, const wxString& title,
               const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
               long style = wxDEFAULT_DIALOG_STYLE);

protected:
    void set_properties();
    void do_layout();

public:
    wxStaticText* labelTitle;
    wxStaticText* labelBuildDate;
    wxButton* buttonOK;
};

#endif
