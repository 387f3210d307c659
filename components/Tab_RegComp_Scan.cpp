// The full scan of HKEY_CLASSES_ROOT\CLSID into component records and the component tree,
// one class's node, and the refresh of the classes of one type library.
#include <windows.h>

#include <chrono>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

// This module's re-entry latch, not the program's run guard: whether a long run may start is
// the caller's question (the main window asks its run guard before it starts a scan). The
// latch only keeps a scan or a type-library refresh from starting inside the message-loop
// yield of another one, which would rebuild the tree and the records under the running walk.
bool g_inScan = false;

struct ScanLatch {
    ScanLatch() { g_inScan = true; }
    ~ScanLatch() { g_inScan = false; }
    ScanLatch(const ScanLatch&) = delete;
    ScanLatch& operator=(const ScanLatch&) = delete;
};

// The walk yields to the message loop every 220 keys, and sooner when reading them took
// this long, so that Cancel answers however slow single classes are.
constexpr long kYieldEvery = 220;
constexpr std::chrono::milliseconds kYieldAfter{100};

}  // namespace

const char* const Categories[3] = {"Control", "DLLServer", "EXEServer"};

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
        QV_Err::HandleError(e.Number, e.Description, kModule, "AddRegCompNode");
    }
}

void ReadRegCompEntry(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, const std::string& clsid,
                      bool mark, bool select, HKEY hClsidKey) {
    TrapErrors(kModule, "ReadRegCompEntry", [&] {
        auto rec = ReadRegCompRecord(col, clsid, hClsidKey);
        if (rec->vntProgID.empty()) return;
        AddRegCompNode(*rec, RegCompNodeText(*rec, selectedBy, detailed), tree, mark, select);
    });
}

bool FillRegCompTree(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, ui::StatusBar& statusBar,
                     const bool& cancel) {
    if (g_inScan) return false;
    ScanLatch latch;
    bool complete = false;
    TrapErrors(kModule, "FillRegCompTree", [&] {
        col.Clear();
        tree.Nodes.Clear();
        AddRegCompRoots(tree);
        PrepareSearchPath();
        ScanFileCache files;

        RegKey clsid;
        if (OpenKey(HKEY_CLASSES_ROOT, "CLSID", clsid.Receive(), 0, KEY_READ_ONLY) != 0) return;

        bool walkedToEnd = false;
        {
            // No painting while thousands of nodes arrive; the yields still let the busy box paint.
            ui::RedrawOff quiet(tree);
            using Clock = std::chrono::steady_clock;
            auto lastYield = Clock::now();
            long counter = 0;
            std::string name;
            for (long index = 0;; ++index, ++counter) {
                long noMore = 0;
                long rc = EnumKey(clsid.get(), index, name, noMore, 0);
                if (noMore) {
                    walkedToEnd = true;
                    break;
                }
                if (rc != 0) {
                    // An unreadable name is skipped; the walk goes on with the next one.
                    if (rc == ERROR_MORE_DATA) continue;
                    break;
                }
                if (counter >= kYieldEvery || Clock::now() - lastYield >= kYieldAfter) {
                    statusBar.Panel(1).SetText("Processing '" + TextCase::Upper(name) + "'");
                    counter = 0;
                    // Only keys are held across the yield: the tree or the records may change meanwhile.
                    ui::DoEvents();
                    lastYield = Clock::now();
                }
                if (cancel) return;
                if (!name.empty() && name[0] == '{')
                    ReadRegCompEntry(col, tree, selectedBy, detailed, name, false, false, clsid.get());
            }
        }
        for (const char* root : Categories) {
            auto node = tree.Nodes.Find(root);
            if (node && node->Children() > 1) node->SetSorted(true);
        }
        complete = walkedToEnd;
    });
    return complete;
}

void RefreshTypeLibClasses(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed,
                           const std::string& file, bool removeOnly) {
    if (g_inScan) return;
    ScanLatch latch;
    TrapErrors(kModule, "RefreshTypeLibClasses", [&] {
        std::vector<std::string> classes;
        if (!TypeLibCoClasses(file, classes)) return;
        EnsureSearchPath();
        ScanFileCache files;
        for (const std::string& g : classes) {
            // Node keys and record keys compare without regard to case: a class registered
            // under a lower-case key is found and replaced, not shown twice.
            RemoveClassNodes(tree, g);
            if (col.Exists(g)) col.Remove(g);
            if (!removeOnly) ReadRegCompEntry(col, tree, selectedBy, detailed, g, true, true);
        }
    });
}

}  // namespace Tab_RegComp
