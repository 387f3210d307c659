// The uninstall tab's record collections: keys compared without regard to case, insertion
// order, and a new entry's empty state.
#include <gtest/gtest.h>

#include "base/QV_Err.h"
#include "uninstall/clsMSInstallerComponent.h"
#include "uninstall/clsSartMenuTarget.h"
#include "uninstall/clsUS.h"

namespace {

long ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunTimeError& e) {
        return e.Number;
    }
    return 0;
}

TEST(UninstallRecords, NewEntryIsEmptyAndKeysCompareWithoutCase) {
    colUS col;
    auto e = col.Add("App{1}", "");
    EXPECT_EQ(e->Key, "App{1}");
    EXPECT_FALSE(e->blnIsInstaller);
    EXPECT_FALSE(e->blnGenerallyVerified);
    EXPECT_FALSE(e->blnDefaultExecutableVerified);
    EXPECT_TRUE(e->strAppPath.empty() && e->strDefaultExecutable.empty() && e->strDisplayName.empty());
    EXPECT_FALSE(col.blnUserCanceledRefresh);
    EXPECT_EQ(ErrorOf([&] { col.Add("APP{1}"); }), 457);
    col.Add("Second");
    EXPECT_EQ(col.Item(2)->Key, "Second");
    EXPECT_EQ(col.Item("app{1}"), e);
    col.Remove("APP{1}");
    EXPECT_EQ(col.Count(), 1);
    EXPECT_EQ(ErrorOf([&] { col.Item("App{1}"); }), 5);
}

TEST(UninstallRecords, CandidatePathTwiceInAnyCaseFails) {
    colMSInstallerComponent list;
    list.Add("C:\\Program Files\\App\\app.exe")->strClientPath = "C:\\Program Files\\App\\app.exe";
    EXPECT_EQ(ErrorOf([&] { list.Add("c:\\program files\\app\\APP.EXE"); }), 457);
    colStartMenuTargets targets;
    targets.Add("C:\\Menu\\A.lnk");
    targets.Add("C:\\Menu\\B.lnk");
    std::vector<std::string> keys;
    for (const auto& t : targets) keys.push_back(t->Key);
    EXPECT_EQ(keys, (std::vector<std::string>{"C:\\Menu\\A.lnk", "C:\\Menu\\B.lnk"}));
}

}  // namespace
