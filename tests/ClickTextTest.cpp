// A click on a status text becomes a button command event with the text's id,
// handled after the mouse handler has returned, like a push button's.
#include <gtest/gtest.h>

#include <wx/frame.h>

#include "GuiTest.h"
#include "WSortView.h"

TEST(ClickText, ClickQueuesOneButtonEventWithItsIdAndLetsTheClickThrough)
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "click");
    wxClickText* inversions = new wxClickText(frame, 7007, "12", wxDefaultPosition, wxDefaultSize, 0, "staticText");
    wxClickText* other = new wxClickText(frame, wxID_ANY, "34", wxDefaultPosition, wxDefaultSize, 0, "staticText");
    EXPECT_EQ(inversions->GetName(), "staticText");
    EXPECT_TRUE(inversions->GetWindowStyleFlag() & 0x20000);
    EXPECT_TRUE(other->GetWindowStyleFlag() & 0x20000);

    std::vector<int> ids;
    frame->Bind(wxEVT_BUTTON, [&](wxCommandEvent& e) { ids.push_back(e.GetId()); });

    wxMouseEvent click(wxEVT_LEFT_DOWN);
    click.SetEventObject(inversions);
    click.SetId(inversions->GetId());
    inversions->GetEventHandler()->ProcessEvent(click);
    EXPECT_TRUE(click.GetSkipped()); // the toolkit's own handling of the click goes on
    EXPECT_TRUE(ids.empty());        // queued, not handled inside the mouse handler
    PumpEvents(20);
    EXPECT_EQ(ids, std::vector<int>{7007}); // passed up to the frame once

    // another text sends its own automatically assigned id
    wxMouseEvent click2(wxEVT_LEFT_DOWN);
    other->GetEventHandler()->ProcessEvent(click2);
    PumpEvents(20);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[1], other->GetId());
    EXPECT_LT(other->GetId(), 0);

    frame->Destroy();
    PumpEvents(10);
}
