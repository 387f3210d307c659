// The search of the components tab: the registry keys of every listed class (its CLSID key,
// type library, AppID and ProgID) searched with the program's search engine, each hit shown
// as a "Found" node in the class's entries tree.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "browsers/colQVRegistry.h"
#include "components/Tab_RegComp.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

namespace Tab_RegComp {

void FindInRegComp(ui::TreeView& tree, colRegComp& col, ui::StatusBar& statusBar, const bool& cancel) {
    TrapErrors(kModule, "FindInRegComp", [&] {
        colQVRegistry& engine = QVRegistry();
        engine.Clear();
        ui::DoEvents();
        // The options are read afresh for every key searched.
        auto find = [&](const std::string& path) {
            return engine.Find(HKEY_CLASSES_ROOT, path, engine.cstrFindString, engine.blnFindInKeys,
                               engine.blnFindInValues, engine.blnFindInData, engine.blnFindWholeStringOnly,
                               cancel) == 1;
        };
        auto mark = [&](const std::string& classKey) {
            for (const auto& hit : engine) {
                ui::DoEvents();
                QV_TreeView_Lib::AddNodePath(tree, classKey, classKey + "\\HKEY_CLASSES_ROOT\\" + hit->vntKey, true,
                                             "Folder", "FolderOpen", "Found", "Found");
            }
        };
        auto isClsid = [](const std::string& s) { return TextCase::Equal(s, "clsid"); };

        for (ui::NodePtr root = tree.Nodes.Item(1)->Root()->FirstSibling(); root; root = root->Next()) {
            root->SetExpanded(false);
            long counter = 0;
            for (ui::NodePtr node = root->Child(); node; node = node->Next()) {
                if (++counter >= 10) {
                    counter = 0;
                    ui::DoEvents();
                    if (cancel) return;
                }
                const std::string classKey = node->Key();
                auto rec = col.Item(classKey.substr(classKey.find('\\') + 1));
                statusBar.Panel(1).SetText("Processing '" + rec->Key + "'");
                node->SetExpanded(false);
                if (find("CLSID\\" + rec->Key)) {
                    FillRegCompEntriesTree(tree, classKey, *rec, false);
                    mark(classKey);
                }
                const std::string branches[] = {
                    rec->vntTypeLib.empty() ? "" : "TypeLib\\" + rec->vntTypeLib,
                    rec->vntAppID.empty() || isClsid(rec->vntAppID) ? "" : "AppID\\" + rec->vntAppID,
                    isClsid(rec->vntProgID) ? "" : rec->vntProgID,
                };
                for (const std::string& branch : branches) {
                    if (branch.empty()) continue;
                    ui::DoEvents();
                    if (find(branch)) mark(classKey);
                }
            }
        }
    });
}

}  // namespace Tab_RegComp
