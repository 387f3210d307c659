// The dependency viewer window, real controls on the virtual display, against the fixture
// graph and the prefix's system files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <shlobj.h>

#include "base/PeImage.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"
#include "image/frmDepends.h"
#include "tests/image/PeSupport.h"
#include "tests/support/Helpers.h"
#include "tests/support/PopupMenus.h"
#include "base/Seams.h"

using pe_test::FixtureDir;
using pe_test::SystemDir;
using Strings = std::vector<std::string>;

namespace {

// The tree as lines: two blanks of indent per level, the text, the image and the key.
void Dump(const ui::NodePtr& first, int depth, Strings& out) {
    for (ui::NodePtr n = first; n; n = n->Next()) {
        out.push_back(std::string(2 * depth, ' ') + n->Text() + " [" + n->Image().key + "] {" + n->Key() + "}");
        Dump(n->Child(), depth + 1, out);
    }
}

Strings Tree(frmDepends& f) {
    Strings out;
    if (f.tvwModules.Nodes.Count() > 0) Dump(f.tvwModules.Nodes.Item(1L)->Root(), 0, out);
    return out;
}

Strings Rows(const ui::ListView& list) {
    Strings out;
    for (const auto& item : list.ListItems) out.push_back(item->Text() + " [" + item->SmallIcon().key + "]");
    return out;
}

class Depends : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { f.Load(); }
    void TearDown() override { f.Unload(); }
    std::string Dir() const { return FixtureDir(GetParam()); }
    frmDepends f;
};

}  // namespace

TEST_P(Depends, FixtureGraphTreeListAndStrikes) {
    const std::string root = Dir() + "\\fxroot.dll";
    EXPECT_TRUE(f.LoadTree(root));
    EXPECT_EQ(f.Caption(), "Velm Depends - fxroot.dll");
    // fxroot -> fxb, fxc, fxgone; fxb -> FXC.DLL, fxroot.dll (by name: a second, expanded copy
    // of the root, whose own imports are repeats except the missing fxgone.dll). The missing
    // module is struck out where it repeats too.
    const Strings expected = {
        root + " [DLL] {" + root + "}",
        "  fxb.dll [DLL] {FXB.DLL}",
        "    FXC.DLL [DLL] {FXC.DLL}",
        "    fxroot.dll [DLL] {FXROOT.DLL}",
        "      fxb.dll [DLL] {}",
        "      fxc.dll [DLL] {}",
        "      fxgone.dll- NOT FOUND/COULD NOT OPEN [STRIKE] {FXGONE.DLL}",
        "  fxc.dll [DLL] {}",
        "  fxgone.dll- NOT FOUND/COULD NOT OPEN [STRIKE] {}",
    };
    EXPECT_EQ(Tree(f), expected);
    // Rows in the order the runs finish; a repeat adds none.
    EXPECT_EQ(Rows(f.lstDep), (Strings{"FXC.DLL [DLL]", "fxgone.dll [STRIKE]", "fxroot.dll [DLL]", "fxb.dll [DLL]"}));
    EXPECT_TRUE(f.strParentPath.empty());
    EXPECT_EQ(f.strRootFolder, Dir());
    // The facts list stays empty until a module is clicked; no module is selected.
    EXPECT_EQ(f.lstFileVer.ListItems.Count(), 0);
    EXPECT_FALSE(f.tvwModules.SelectedItem());

    // A second run replaces everything.
    EXPECT_TRUE(f.LoadTree(Dir() + "\\fxc.dll"));
    EXPECT_EQ(Tree(f), (Strings{Dir() + "\\fxc.dll [DLL] {" + Dir() + "\\fxc.dll}"}));
    EXPECT_EQ(f.lstDep.ListItems.Count(), 0);
}

TEST_P(Depends, FactsOfFoundAndMissingModules) {
    f.LoadTree(Dir() + "\\fxroot.dll");
    // A module of the root's folder: location rows, then the file's facts. The location is the
    // file the tree read for the module, spelled as the import that first named it ("FXC.DLL").
    f.lstFileVerShow("fxc.dll", "FXC.DLL");
    ASSERT_EQ(f.lstFileVer.ListItems.Count(), 17);
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_Location")->SubItem(1), Dir() + "\\FXC.DLL");
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_exists")->SubItem(1), "True");
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_Location")->SmallIcon().key, "Info");
    const auto size = f.lstFileVer.ListItems.Item("File_size")->SubItem(1);
    EXPECT_EQ(size, std::to_string(pe_test::ReadAll(Dir() + "\\fxc.dll").size()) + " Bytes");
    // A missing module: the two location rows and "File exists" False with the strike image.
    f.lstFileVerShow("fxgone.dll- NOT FOUND/COULD NOT OPEN", "FXGONE.DLL");
    ASSERT_EQ(f.lstFileVer.ListItems.Count(), 3);
    auto missing = f.lstFileVer.ListItems.Item(3L);
    EXPECT_EQ(missing->Key(), "File exists");
    EXPECT_EQ(missing->SubItem(1), "False");
    EXPECT_EQ(missing->SmallIcon().key, "STRIKE");
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_Location")->SubItem(1), "");
}

TEST_P(Depends, ClickingAModuleShowsItsFacts) {
    f.Show();
    f.LoadTree(Dir() + "\\fxroot.dll");
    // A real click on the module's row in the tree control.
    auto node = f.tvwModules.Nodes.Item("FXB.DLL");
    RECT rc{};
    HTREEITEM item = node->Handle();
    std::memcpy(&rc, &item, sizeof item);  // the item goes in, its rectangle comes back
    ASSERT_TRUE(SendMessageA(f.tvwModules.hWnd(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc)));
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    PostMessageA(f.tvwModules.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(f.tvwModules.hWnd(), WM_LBUTTONUP, 0, at);
    ui::DoEvents();
    ASSERT_GT(f.lstFileVer.ListItems.Count(), 0);
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_Location")->SubItem(1), Dir() + "\\fxb.dll");
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_exists")->SubItem(1), "True");
}

INSTANTIATE_TEST_SUITE_P(Kinds, Depends, ::testing::Values("x64", "x86"));

// Shift+F10 and the Menu key on the module tree and on both lists open the copy menu that a
// right-click on the selected module or row opens, at that item; with no row selected neither a
// right-click nor a key opens one.
TEST(DependsWindow, TheMenuKeysOpenTheCopyMenuAtTheSelectedItem) {
    frmDepends f;
    f.Show();
    f.LoadTree(FixtureDir("x64") + "\\fxroot.dll");
    ui::NodePtr module = f.tvwModules.Nodes.Item("FXB.DLL");
    f.tvwModules.SetSelectedItem(module);
    f.tvwModules.NodeClick(*module);
    ASSERT_GT(f.lstFileVer.ListItems.Count(), 0);
    PopupProbe probe;
    struct Case {
        const char* what;
        ui::ItemsControl& control;
        std::function<void()> select;
        size_t menus;
    } cases[] = {
        {"module tree", f.tvwModules, [&] { f.tvwModules.SetSelectedItem(module); }, 1},
        {"module list", f.lstDep, [&] { f.lstDep.SetSelectedItem(f.lstDep.ListItems.Item(1L)); }, 1},
        {"facts list", f.lstFileVer, [&] { f.lstFileVer.SetSelectedItem(f.lstFileVer.ListItems.Item(2L)); }, 1},
        {"module list, no row", f.lstDep, [&] { f.lstDep.SetSelectedItem(nullptr); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HWND h = c.control.hWnd();
        for (MenuWay way : {MenuWay::RightClick, MenuWay::ShiftF10, MenuWay::MenuKey}) {
            SCOPED_TRACE(NameOf(way));
            c.select();
            // (A menu that does not come is waited for a second.)
            ASSERT_EQ(OpenMenuOf(probe, h, way, c.menus ? 3000 : 1000), c.menus);
            if (c.menus == 0) continue;
            EXPECT_EQ(probe.shown.back(), (ShownMenu{"Copy to clipboard\tCtrl+C:1"}));
            if (way == MenuWay::RightClick) continue;
            const std::optional<POINT> item = SelectedItemOnScreen(h);
            ASSERT_TRUE(item);
            EXPECT_TRUE(OpensAt(probe.at.back(), *item));
        }
    }
    f.Unload();
}

TEST(DependsWindow, MissingOrRelativeFileLeavesItEmpty) {
    frmDepends f;
    f.Load();
    EXPECT_EQ(f.Caption(), "Velm Depends");
    f.LoadTree(FixtureDir("x64") + "\\fxroot.dll");
    f.LoadTree("C:\\no-such-folder\\gone.dll");
    EXPECT_EQ(f.Caption(), "Velm Depends - gone.dll");
    EXPECT_EQ(f.tvwModules.Nodes.Count(), 0);
    EXPECT_EQ(f.lstDep.ListItems.Count(), 0);
    EXPECT_EQ(f.lstFileVer.ListItems.Count(), 0);
    f.LoadTree("notepad.exe");  // no drive: not opened, though the system could find it
    EXPECT_EQ(f.tvwModules.Nodes.Count(), 0);
    f.Unload();
}

TEST(DependsWindow, NotepadOfThePrefix) {
    frmDepends f;
    f.Load();
    const std::string path = SystemDir() + "\\notepad.exe";
    EXPECT_TRUE(f.LoadTree(path));
    EXPECT_EQ(f.Caption(), "Velm Depends - notepad.exe");
    pe_test::RawImage raw(pe_test::ReadAll(path));
    // The root's children are its imports, sorted by name; each has a row or is a repeat.
    auto root = f.tvwModules.Nodes.Item(path);
    EXPECT_EQ(root->Children(), static_cast<long>(raw.ImportNames().size()));
    EXPECT_GE(f.lstDep.ListItems.Count(), root->Children());
    Strings texts;
    for (auto n = root->Child(); n; n = n->Next()) texts.push_back(n->Text());
    EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    }));
    // Clicking a module shows where the system finds it.
    f.lstFileVerShow("kernel32.dll", "KERNEL32.DLL");
    EXPECT_TRUE(pe_test::ReadAll(f.lstFileVer.ListItems.Item("File_Location")->SubItem(1)).size() > 0);
    EXPECT_EQ(f.lstFileVer.ListItems.Item("File_exists")->SubItem(1), "True");
    f.Unload();
}

// A program copied into a folder of its own gets every module of its tree from the system folder
// of its own machine, whichever build looks: a 32-bit one SysWOW64's libraries, a 64-bit one the
// native System32's. The facts of each module name the file read; KERNEL32's are that folder's
// copy (the two copies differ in size).
TEST(DependsWindow, ImportsComeFromTheSystemFolderOfTheRootsMachine) {
    for (const pe_test::MachineFolder& system : pe_test::SystemFoldersByMachine()) {
        SCOPED_TRACE(system.folder);
        const pe_test::LoneCopy program(system.folder + "\\notepad.exe", "velm-machine-" + std::to_string(system.machine),
                                        "one.exe");
        ASSERT_TRUE(program.made);
        frmDepends f;
        f.Load();
        ASSERT_TRUE(f.LoadTree(program.path));
        int modules = 0;
        bool kernel32 = false;
        for (const auto& item : f.lstDep.ListItems) {
            if (item->SmallIcon().key != "DLL") continue;
            ++modules;
            f.lstFileVerShow(item->Text(), item->Text());
            const std::string location = f.lstFileVer.ListItems.Item("File_Location")->SubItem(1);
            EXPECT_EQ(PeImage(location).FileHeader().Machine, system.machine) << item->Text() << ": " << location;
            if (!TextCase::Equal(item->Text(), "kernel32.dll")) continue;
            kernel32 = true;
            EXPECT_TRUE(TextCase::Equal(location, system.folder + "\\kernel32.dll")) << location;
            EXPECT_EQ(f.lstFileVer.ListItems.Item("File_size")->SubItem(1),
                      std::to_string(pe_test::ReadAll(system.folder + "\\kernel32.dll").size()) + " Bytes");
        }
        EXPECT_TRUE(kernel32);
        EXPECT_GT(modules, 3);
        f.Unload();
    }
}

TEST(DependsWindow, SystemFileSearchFollowsPath) {
    frmDepends f;
    std::string found = "untouched";
    {
        // An empty PATH still has the system folders searched; a name found nowhere leaves the
        // path alone.
        EnvGuard path("PATH", "");
        EXPECT_FALSE(f.FindSystemFile("no-such-module.dll", found));
        EXPECT_EQ(found, "untouched");
        EXPECT_TRUE(f.FindSystemFile("kernel32.dll", found));
        EXPECT_TRUE(TextCase::Equal(found, SystemDir() + "\\kernel32.dll")) << found;
    }
    {
        // The system32 folder is tried already with the first entry.
        EnvGuard path("PATH", "C:\\no-such-folder;" + FixtureDir("x64"));
        EXPECT_TRUE(f.FindSystemFile("kernel32.dll", found));
        EXPECT_TRUE(TextCase::Equal(found, SystemDir() + "\\kernel32.dll")) << found;
        // The last entry counts without a closing ";".
        EXPECT_TRUE(f.FindSystemFile("fxc.dll", found));
        EXPECT_EQ(found, FixtureDir("x64") + "\\fxc.dll");
    }
}

TEST(DependsWindow, DropAndOpenAndCopy) {
    frmDepends f(true);
    f.Load();
    EXPECT_TRUE(f.Menus["MNU_File"].Visible());
    EXPECT_FALSE(f.Menus["mnu_Depends_Clipboard"].Visible());
    const std::string root = FixtureDir("x64") + "\\fxroot.dll";
    // Dropped: an image file opens; a text file and a folder are ignored.
    EXPECT_TRUE(f.DropFiles({root}));
    EXPECT_EQ(f.Caption(), "Velm Depends - fxroot.dll");
    const std::string text = FixtureDir("x64") + "\\..\\..\\..\\..\\CMakeCache.txt";
    EXPECT_FALSE(f.DropFiles({text}));
    EXPECT_FALSE(f.DropFiles({FixtureDir("x64")}));
    EXPECT_EQ(f.Caption(), "Velm Depends - fxroot.dll");

    // File > Open loads the chosen file; a cancelled dialog changes nothing.
    std::string chosen = FixtureDir("x86") + "\\fxb.dll";
    ui::OpenFileRequest asked;
    ui::OpenFileOverride dialog([&](const ui::OpenFileRequest& r) { asked = r; return chosen; });
    f.Menus["MNU_File_open"].DoClick();
    EXPECT_EQ(f.Caption(), "Velm Depends - fxb.dll");
    EXPECT_EQ(asked.filter, "PEFiles|*.dll;*.exe;*.ocx");
    chosen = "";
    f.Menus["MNU_File_open"].DoClick();
    EXPECT_EQ(f.Caption(), "Velm Depends - fxb.dll");

    // Nothing selected: no copy text is taken and the earlier one stays.
    f.strCopyText = "earlier";
    EXPECT_FALSE(f.TakeCopyText(f.lstDep));
    EXPECT_EQ(f.strCopyText, "earlier");
    f.lstDep.SetSelectedItem(f.lstDep.ListItems.Item(1L));
    EXPECT_TRUE(f.TakeCopyText(f.lstDep));
    const std::string name = f.lstDep.ListItems.Item(1L)->Text();
    EXPECT_EQ(f.strCopyText, name);
    f.Menus["Depends_Clipboard_copy"].DoClick();
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_TEXT);
    std::string clip = h ? static_cast<const char*>(GlobalLock(h)) : "";
    if (h) GlobalUnlock(h);
    CloseClipboard();
    EXPECT_EQ(clip, name);
    f.Unload();
}

namespace {

// Files on the clipboard as the shell drags them (CF_HDROP), handed out as an OLE data object.
IDataObject* DraggedFiles(const std::string& path) {
    const size_t bytes = sizeof(DROPFILES) + path.size() + 2;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.c_str(), path.size());
    GlobalUnlock(mem);
    IDataObject* data = nullptr;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        SetClipboardData(CF_HDROP, mem);
        CloseClipboard();
        OleGetClipboard(&data);
    }
    return data;
}

}  // namespace

TEST(DependsWindow, DraggingShowsWhatADropWillOpen) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        frmDepends f(true);
        f.Load();
        IDropTarget* target = f.TreeDropTarget();
        ASSERT_NE(target, nullptr);
        const std::string dll = FixtureDir("x64") + "\\fxc.dll";
        // Only an existing file of another kind shows the no-drop effect; the rest keep the
        // effect offered (a folder or a missing file is then ignored by the drop).
        const struct { std::string path; bool accepted; } cases[] = {
            {dll, true},
            {FixtureDir("x64") + "\\..\\..\\..\\..\\CMakeCache.txt", false},  // exists, not an image
            {FixtureDir("x64"), true},                                                // a folder
            {FixtureDir("x64") + "\\gone.dll", true},                                 // missing
        };
        for (const auto& c : cases) {
            IDataObject* data = DraggedFiles(c.path);
            ASSERT_NE(data, nullptr);
            DWORD effect = DROPEFFECT_COPY;
            POINTL pt{0, 0};
            EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, pt, &effect), S_OK);
            EXPECT_EQ(effect, c.accepted ? DWORD(DROPEFFECT_COPY) : DWORD(DROPEFFECT_NONE)) << c.path;
            effect = DROPEFFECT_COPY;
            target->DragOver(MK_LBUTTON, pt, &effect);
            EXPECT_EQ(effect, c.accepted ? DWORD(DROPEFFECT_COPY) : DWORD(DROPEFFECT_NONE)) << c.path;
            effect = DROPEFFECT_COPY;
            target->Drop(data, MK_LBUTTON, pt, &effect);
            data->Release();
        }
        // Only the DLL was opened.
        EXPECT_EQ(f.Caption(), "Velm Depends - fxc.dll");
        EXPECT_EQ(f.tvwModules.Nodes.Count(), 1);
        f.Unload();
        EXPECT_EQ(f.TreeDropTarget(), nullptr);
    }
    OleUninitialize();
}

TEST(DependsWindow, MainProgramWindowHasNoFileMenu) {
    // In the main program the window opens at the main window's bottom-right corner,
    // 300 twips above its lower edge.
    ui::Form main("Form_Main", {.caption = "main"});
    main.Load();
    main.Move(1500, 1200, 14000, 11000);
    frmDepends f;
    f.Load();
    const long pixel = ui::Screen::TwipsPerPixelX();
    EXPECT_NEAR(f.Left(), main.Left() + main.Width() - f.Width(), 2 * pixel);
    EXPECT_NEAR(f.Top(), main.Top() + main.Height() - f.Height() - 300, 2 * pixel);
    EXPECT_FALSE(f.Menus["MNU_File"].Visible());
    f.Menus["MNU_File_exit"].DoClick();  // no action there
    EXPECT_TRUE(f.IsLoaded());
    f.Unload();
    main.Unload();
}
