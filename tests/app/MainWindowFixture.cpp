#include "tests/app/MainWindowFixture.h"

#include <windows.h>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "tests/support/Helpers.h"

std::string StartsOn(int tab, const std::string& values) {
    return Stored("\"ShowInTaskbar\"=\"0\"\n\"Last_Tab\"=\"" + std::to_string(tab) + "\"\n" + values);
}

ui::NodePtr ClickNode(ui::TreeView& tree, const std::string& key) {
    Form_Main& f = frmMain();
    ui::NodePtr n = tree.Nodes.Find(key);
    if (!n) return nullptr;
    n->EnsureVisible();
    tree.SetSelectedItem(n);
    if (&tree == &f.tvwRegComp) f.tvwRegComp_NodeClick(*n);
    else if (&tree == &f.tvwCMH) f.tvwCMH_NodeClick(*n);
    else if (&tree == &f.tvwSD) f.tvwSD_NodeClick(*n);
    return n;
}

void MainWindowFixture::SetUp() {
    DroskGlobalDiscard();
    previousEnd = Master::EndProgram();
    Master::EndProgram() = [this] { ++ended; };
}

void MainWindowFixture::TearDown() {
    if (frmMain().IsLoaded()) frmMain().Unload();
    if (TrayForm().IsLoaded()) {
        TrayForm().Unhook();
        TrayForm().Unload();
    }
    ui::DoEvents();
    Master::EndProgram() = previousEnd;
    DroskGlobalDiscard();
}

void MainWindowFixture::Open() {
    Register_UninstClean::RunStartupSequence();
    const long errors = QV_Err::HandledCount();
    frmMain().Load();
    ASSERT_TRUE(frmMain().IsLoaded());
    if (expectCleanLoad) {
        EXPECT_EQ(QV_Err::HandledCount(), errors) << QV_Err::LastProcedure() << " " << QV_Err::LastNumber();
    }
    frmMain().InitStartUpTab();
    ui::DoEvents();
}
