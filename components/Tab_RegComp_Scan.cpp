// The full scan of HKEY_CLASSES_ROOT\CLSID into component records and the component tree,
// one class's node, and the refresh of the classes of one type library.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/TextCase.h"
#include "components/KeyCloser.h"
#include "components/Tab_RegComp.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

bool g_running = false;

// Marks a scan or refresh as running for its lifetime.
struct RunGuard {
    RunGuard() { g_running = true; }
    ~RunGuard() { g_running = false; }
};

constexpr long kYieldEvery = 220;

}  // namespace

bool IsScanRunning() { return g_running; }

void AddRegCompRoots(ui::TreeView& tree) {
    const std::pair<const char*, const char*> roots[] = {
        {"Control", "Controls"}, {"DLLServer", "DLL Servers"}, {"EXEServer", "EXE Servers"}};
    for (const auto& [key, text] : roots)
        if (!tree.Nodes.Exists(key)) tree.Nodes.Add("", ui::tvwLast, key, text, key, key);
}

void AddRegCompNode(const clsRegComp& rec, const std::string& text, ui::TreeView& tree, bool mark, bool select) {
    const std::string category = RegCompCategory(rec);
    const std::string image = rec.blnFileNotExistRealError ? "Strike" : category;
    const std::string key = category + "\\" + rec.vntClassID;
    // A node already present or a missing root: the class is shown no second time.
    if (!tree.Nodes.Exists(category) || tree.Nodes.Exists(key)) return;
    try {
        auto node = tree.Nodes.Add(category, ui::tvwChild, key, text, image, image);
        if (mark || rec.blnFileNotExistRealError) node->SetBold(true);
        if (select) {
            node->EnsureVisible();
            node->SetSelected(true);
        }
    } catch (const RunTimeError& e) {
        QV_Err::HandleError(e.Number, e.Description, "Tab_RegComp", "AddRegCompNode");
    }
}

void ReadRegCompEntry(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, const std::string& clsid,
                      bool mark, bool select, HKEY hClsidKey) {
    TrapErrors("Tab_RegComp", "ReadRegCompEntry", [&] {
        auto rec = ReadRegCompRecord(col, clsid, hClsidKey);
        if (rec->vntProgID.empty()) return;
        AddRegCompNode(*rec, RegCompNodeText(*rec, selectedBy, detailed), tree, mark, select);
    });
}

bool FillRegCompTree(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, ui::StatusBar& statusBar,
                     const bool& cancel) {
    if (g_running) return false;
    RunGuard running;
    TrapErrors("Tab_RegComp", "FillRegCompTree", [&] {
        col.Clear();
        tree.Nodes.Clear();
        AddRegCompRoots(tree);
        PrepareSearchPath();
        ScanFileCache files;

        HKEY hClsid = nullptr;
        if (OpenKey(HKEY_CLASSES_ROOT, "CLSID", hClsid, 0, KEY_READ_ONLY) != 0) return;
        KeyCloser closer{hClsid};

        {
            // No painting while thousands of nodes arrive; the yields still let the busy box paint.
            ui::RedrawOff quiet(tree);
            long counter = 0;
            std::string name;
            for (long index = 0;; ++index, ++counter) {
                long noMore = 0;
                long rc = EnumKey(hClsid, index, name, noMore, 0);
                if (noMore) break;
                if (rc != 0) {
                    // An unreadable name is skipped; the walk goes on with the next one.
                    if (rc == ERROR_MORE_DATA) continue;
                    break;
                }
                if (counter >= kYieldEvery) {
                    statusBar.Panel(1).SetText("Processing '" + TextCase::Upper(name) + "'");
                    counter = 0;
                    // Only keys are held across the yield: the tree or the records may change meanwhile.
                    ui::DoEvents();
                }
                if (cancel) return;
                if (!name.empty() && name[0] == '{')
                    ReadRegCompEntry(col, tree, selectedBy, detailed, name, false, false, hClsid);
            }
        }
        for (const char* root : {"Control", "DLLServer", "EXEServer"}) {
            auto node = tree.Nodes.Find(root);
            if (node && node->Children() > 1) node->SetSorted(true);
        }
    });
    return false;
}

void RefreshTypeLibClasses(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed,
                           const std::string& file, bool removeOnly) {
    if (g_running) return;
    RunGuard running;
    TrapErrors("Tab_RegComp", "RefreshTypeLibClasses", [&] {
        std::vector<std::string> classes;
        if (!TypeLibCoClasses(file, classes)) return;
        EnsureSearchPath();
        ScanFileCache files;
        for (const std::string& g : classes) {
            // Node keys and record keys compare without regard to case: a class registered
            // under a lower-case key is found and replaced, not shown twice.
            for (const char* root : {"DLLServer\\", "EXEServer\\", "Control\\"})
                if (tree.Nodes.Exists(root + g)) tree.Nodes.Remove(root + g);
            if (col.Exists(g)) col.Remove(g);
            if (!removeOnly) ReadRegCompEntry(col, tree, selectedBy, detailed, g, true, true);
        }
    });
}

}  // namespace Tab_RegComp
