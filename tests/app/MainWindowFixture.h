// The fixture of the tests that drive the main window in this process: each test starts from
// discarded program state with the program's end only counted, and closes what it opened.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ui/TreeView.h"

// The stored settings of a window that starts on the tab of that number, without the tray icon,
// with further value lines of the Settings key.
std::string StartsOn(int tab, const std::string& values = "");

// Selects a node of one of the main window's trees as a click does: scrolled into view, selected,
// then that tree's NodeClick handling. Null when the tree has no node of that key.
ui::NodePtr ClickNode(ui::TreeView& tree, const std::string& key);

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
