// Test entry for the headless suites: the toolkit's base library initialised,
// no display.
#include <gtest/gtest.h>
#include <wx/init.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // death tests fork; the threadsafe style re-executes the binary instead
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    wxInitializer initializer;
    if (!initializer.IsOk()) return 1;
    return RUN_ALL_TESTS();
}
