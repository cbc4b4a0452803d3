// Test entry for the window suites: a real toolkit application (under Xvfb in
// the test command) without its main loop; tests pump events themselves.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include "GuiTest.h"

class TestApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    // listing the tests (CTest does it at build time) needs no display
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) return 1;
    if (!wxTheApp->CallOnInit()) return 1;
    // no message boxes: error messages are collected for the tests to check
    delete wxLog::SetActiveTarget(&TestLog::Instance());
    // a failed toolkit check fails the test instead of opening a dialog
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
        ADD_FAILURE() << "toolkit assertion " << cond.utf8_str() << " (" << msg.utf8_str()
                      << ") in " << func.utf8_str() << " at " << file.utf8_str() << ":" << line;
    });
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
