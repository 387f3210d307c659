// The fixture of the tests that drive the main window in this process: each test starts from
// discarded program state with the program's end only counted, and closes what it opened.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

// The stored settings of a window that starts on the tab of that number, without the tray icon,
// with further value lines of the Settings key.
std::string StartsOn(int tab, const std::string& values = "");

struct MainWindowFixture : ::testing::Test {
    int ended = 0;  // how often the program would have ended
    void SetUp() override;
    void TearDown() override;
    // Starts the window as the start-up routine does: the start-up sequence, the load, the
    // start-up tab.
    void Open();

protected:
    // Whether Open also expects the load to handle no error.
    bool expectCleanLoad = false;

private:
    std::function<void()> previousEnd;
};
