// The programs where a user has them: the build's program folder (bin/), and the package the
// build makes, unpacked and put into a fresh folder of the prefix. From each folder the Explorer
// commands start that folder's VelmRegSvr (the program file of the process that shows the result
// window is read back), which registers the fixture COM server; its "View in Velmora" starts that
// folder's Velmora; Velmora's Edit menu unregisters the server and registers it again, each
// through that folder's VelmRegSvr (its window and the registry read back); Help > Contents opens
// that folder's Velmora.chm. Every program of the folder is started as a user starts it.
//
// One step runs in this process, and one start in it through a seam: no command of Velmora shows
// the registration dialog that writes the Explorer commands (its menu item is never visible), so
// the dialog is run here with the folder under test as its program folder; and the registry
// editor it starts by the name "Regedit", which Windows looks for first beside the running
// program, is started by the system's path, because beside this test program the tools tests of
// another entry put stand-ins of that name while they run.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "VelmComServerFixture.h"
#include "base/PeImage.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"
#include "tests/app/HelpOpeners.h"
#include "tests/app/RemoteWindows.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

#ifndef VELM_PACKAGE_UNPACKED
#error VELM_PACKAGE_UNPACKED names the folder the package of the build is unpacked into
#endif

namespace {

const std::string kDll = VELM_FIXTURE_COMSERVER_DLL;
const std::string kProgId = VELM_FIXTURE_PROGID_WIDGET;
const char* const kFixtureKeys[] = {"CLSID\\" VELM_FIXTURE_CLSID_WIDGET, "CLSID\\" VELM_FIXTURE_CLSID_GADGET,
                                    "CLSID\\" VELM_FIXTURE_CLSID_GIZMO, VELM_FIXTURE_PROGID_WIDGET,
                                    "TypeLib\\" VELM_FIXTURE_LIBID};
// What the folder and the package hold: the three programs, the help file and the licence.
const std::set<std::string> kDelivered = {"LICENSE.RTF", "Velmora.chm", "Velmora.exe", "VelmDepends.exe",
                                          "VelmRegSvr.exe"};
// The verbs of the Explorer commands the registration dialog writes.
const char* const kVerbs[] = {"VelmRegister", "VelmUnregister"};

// Position in the components tab's Edit menu (separators not counted).
enum { kUnregister = 6, kRegisterNew = 7 };

int FixtureKeysPresent() {
    int n = 0;
    for (const char* key : kFixtureKeys) n += KeyExists(HKEY_CLASSES_ROOT, key) ? 1 : 0;
    return n;
}
constexpr int kAllKeys = static_cast<int>(sizeof kFixtureKeys / sizeof *kFixtureKeys);

// The names of the files of a folder, and whether it holds folders.
std::set<std::string> FileNames(const std::string& folder, bool& folders) {
    std::set<std::string> names;
    folders = false;
    WIN32_FIND_DATAA fd{};
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders = true;
        else names.insert(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

// The program file a process runs.
std::string ImageOf(DWORD pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h) return "";
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool ok = QueryFullProcessImageNameA(h, 0, path, &size) != 0;
    CloseHandle(h);
    return ok ? path : "";
}

bool SamePath(const std::string& a, const std::string& b) { return TextCase::Equal(a, b); }

// A visible window showing `text` (its title, or a control's text), found by EnumWindows or
// EnumChildWindows.
struct TextSearch {
    std::string text;
    HWND found = nullptr;
};
BOOL CALLBACK MatchText(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<TextSearch*>(p);
    char text[1024] = {};
    GetWindowTextA(w, text, sizeof text);
    if (IsWindowVisible(w) && s->text == text) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}
// A visible top-level window of any process with that title, or null.
HWND WindowTitled(const std::string& title) {
    TextSearch s{title};
    EnumWindows(MatchText, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// A visible child (at any depth) showing that text, of any class, or null.
HWND ChildShowing(HWND parent, const std::string& text) {
    TextSearch s{text};
    EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct DialogSearch {
    DWORD pid;
    std::string text;
    HWND found = nullptr;
};
BOOL CALLBACK MatchDialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && IsWindowVisible(w) && ChildShowing(w, s->text)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}
// A top-level window of a process (a message box, whatever its caption) showing that text, or null.
HWND DialogShowing(DWORD pid, const std::string& text) {
    DialogSearch s{pid, text};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// VelmRegSvr's result window as it shows: its header, the program file of its process and
// whether its "View in Velmora" button can be pressed.
struct RegSvrWindow {
    HWND form = nullptr;
    DWORD pid = 0;
    std::string header, image;
    bool viewEnabled = false;
};
RegSvrWindow WaitForRegSvr() {
    RegSvrWindow r;
    WaitUntil([&] { return (r.form = WindowTitled("VelmRegSvr 1.8")) != nullptr; }, 120);
    if (!r.form) return r;
    GetWindowThreadProcessId(r.form, &r.pid);
    r.image = ImageOf(r.pid);
    for (const char* h : {"Component registered successfully.", "Component registered NOT successfully!",
                          "Component unregistered successfully.", "Component unregistered NOT successfully!"})
        if (ChildShowing(r.form, h)) r.header = h;
    if (HWND view = ChildShowing(r.form, "&View in Velmora")) r.viewEnabled = IsWindowEnabled(view) != 0;
    return r;
}
// Presses a button of VelmRegSvr's result window and waits for the program to end.
bool PressAndWaitEnd(const RegSvrWindow& r, const std::string& button) {
    HWND b = ChildShowing(r.form, button);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, r.pid);
    if (!b || !process) {
        if (process) CloseHandle(process);
        return false;
    }
    PostMessageA(b, BM_CLICK, 0, 0);
    const bool ended = WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// An item of the components tab's Edit menu chosen with the keyboard, as a user does without a
// mouse: Alt+F opens the File menu, Right moves on to Edit (opened at its first item), Down
// `below` times moves to the item (separators are passed over), Enter chooses it.
void ChooseFromEditMenu(DWORD pid, HWND main, int below) {
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    HWND file = WaitForWindow(pid, "#32768", "", 30);
    ASSERT_TRUE(file) << "the File menu did not open";
    PostMessageA(file, WM_KEYDOWN, VK_RIGHT, 0);
    HWND edit = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND w : ProcessWindows(pid, "#32768", "", true))
                if (w != file) edit = w;
            return edit != nullptr;
        },
        30))
        << "the Edit menu did not open";
    for (int i = 0; i < below; ++i) PostMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    WaitUntil([&] { return ProcessWindows(pid, "#32768", "", true).empty(); }, 30);
}

// The node of the fixture's Widget class on the components tab of the main window, once the
// tab shows it and no run goes on.
HTREEITEM WidgetNode(HANDLE process, DWORD pid, HWND& main) {
    HTREEITEM item = nullptr;
    WaitUntil([&] {
        main = MainWindow(pid);
        HWND tree = main ? VisibleTree(main) : nullptr;
        if (!tree || BusyBox(pid)) return false;
        for (const RemoteNode& n : RemoteTreeNodes(process, tree))
            if (n.depth == 1 && n.text == kProgId) item = n.item;
        return item != nullptr;
    });
    return item;
}

// The Explorer commands for .dll and .ocx files, written by the registration dialog for a
// program folder, and taken out again at the end with the script the dialog leaves there.
class ExplorerCommands {
public:
    explicit ExplorerCommands(std::string folder) : folder_(std::move(folder)) {
        bool missing = false;
        dllType_ = Reg_Unreg_Shortcut_Dialog::FileTypeOf(".dll", missing);
        dllMissing_ = missing;
        ocxType_ = Reg_Unreg_Shortcut_Dialog::FileTypeOf(".ocx", missing);
        ocxMissing_ = missing;
    }
    ~ExplorerCommands() {
        for (const std::string& type : {dllType_, ocxType_})
            for (const char* verb : kVerbs) RegDeleteTreeA(HKEY_CLASSES_ROOT, (type + "\\shell\\" + verb).c_str());
        if (dllMissing_) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".dll");
        if (ocxMissing_) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".ocx");
        DeleteFileA((folder_ + "\\ocxdllreg.reg").c_str());
    }
    // "Create entries" of the dialog, as Velmora started from the folder runs it.
    bool Create() {
        BoxRecorder boxes;
        // The one start through a seam (see the top of this file): the registry editor that
        // imports the entries is the system's, by its path, not the stand-in of that name that
        // the tools tests of another entry may have put beside this test program. It is started
        // as the tests start every program (a refused start asked for again and printed).
        ui::StartProgramOverride start([](std::string commandLine, int windowStyle, bool wait) -> unsigned long {
            if (TextCase::Lower(commandLine).rfind("regedit ", 0) == 0)
                commandLine = WinDir() + "\\regedit.exe" + commandLine.substr(7);
            STARTUPINFOA si{};
            si.cb = sizeof si;
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = static_cast<WORD>(windowStyle);
            PROCESS_INFORMATION pi{};
            if (!StartProcess(commandLine, pi, nullptr, &si)) return 0;
            if (wait) WaitForSingleObject(pi.hProcess, INFINITE);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            return pi.dwProcessId;
        });
        Reg_Unreg_Shortcut_Dialog dlg;
        dlg.ProgramFolder = folder_;
        const bool created = dlg.CreateEntries();
        if (!created)
            std::fprintf(stderr, "the Explorer commands were not created: the import script %s\n",
                         GetFileAttributesA((folder_ + "\\ocxdllreg.reg").c_str()) == INVALID_FILE_ATTRIBUTES
                             ? "was not written"
                             : "was written, but its entries are not all in the registry");
        return created;
    }
    // The command a verb of .dll files runs.
    std::string Command(const char* verb) const {
        char cmd[1024] = {};
        DWORD size = sizeof cmd;
        RegGetValueA(HKEY_CLASSES_ROOT, (dllType_ + "\\shell\\" + verb + "\\command").c_str(), nullptr,
                     RRF_RT_REG_SZ, nullptr, cmd, &size);
        return cmd;
    }
    // The verb run on a file as Explorer runs it when the user picks the command.
    static bool Run(const char* verb, const std::string& file) {
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = sizeof sei;
        sei.lpVerb = verb;
        sei.lpFile = file.c_str();
        sei.nShow = SW_SHOWNORMAL;
        return ShellExecuteExA(&sei) != 0;
    }

private:
    std::string folder_, dllType_, ocxType_;
    bool dllMissing_ = false, ocxMissing_ = false;
};

// Ends a process by its id (the Velmora that VelmRegSvr started).
void EndProcess(DWORD pid) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 10000);
        CloseHandle(h);
    }
}

struct Delivered : ::testing::Test {
    DWORD velmora = 0;  // the Velmora process that "View in Velmora" started
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
        ASSERT_EQ(FixtureKeysPresent(), 0);
    }
    void TearDown() override {
        if (velmora) EndProcess(velmora);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
    }

    // Everything a user does with the programs of one folder.
    void UseFrom(const std::string& folder) {
        const std::string regsvr = folder + "\\VelmRegSvr.exe", main = folder + "\\Velmora.exe";
        // The help viewer replaced first: the programs started from here on inherit where the
        // stand-in writes down its starts.
        Openers openers;
        ASSERT_TRUE(openers.placed) << openers.help;

        // The Explorer commands name the folder's VelmRegSvr, which is there.
        ExplorerCommands commands(folder);
        ASSERT_TRUE(commands.Create());
        EXPECT_EQ(commands.Command("VelmRegister"), "\"" + regsvr + "\" -R %1");
        EXPECT_EQ(commands.Command("VelmUnregister"), "\"" + regsvr + "\" -U %1");
        ASSERT_NE(GetFileAttributesA(regsvr.c_str()), INVALID_FILE_ATTRIBUTES);

        // Explorer's "register" on the component: the folder's VelmRegSvr registers it, and no
        // Velmora runs, so "View in Velmora" can be pressed.
        ASSERT_TRUE(ExplorerCommands::Run("VelmRegister", kDll));
        RegSvrWindow shown = WaitForRegSvr();
        ASSERT_TRUE(shown.form) << "no VelmRegSvr window after the Explorer command";
        EXPECT_TRUE(SamePath(shown.image, regsvr)) << shown.image;
        EXPECT_EQ(shown.header, "Component registered successfully.");
        EXPECT_EQ(FixtureKeysPresent(), kAllKeys);
        ASSERT_TRUE(shown.viewEnabled);

        // "View in Velmora" starts the folder's Velmora, which shows the new component.
        ASSERT_TRUE(PressAndWaitEnd(shown, "&View in Velmora"));
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (window = MainWindow(0)) != nullptr; })) << "no Velmora window";
        GetWindowThreadProcessId(window, &velmora);
        EXPECT_TRUE(SamePath(ImageOf(velmora), main)) << ImageOf(velmora);
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, velmora);
        ASSERT_TRUE(process);
        HTREEITEM node = WidgetNode(process, velmora, window);
        ASSERT_TRUE(node) << kProgId << " is not on the components tab";

        // Edit > Unregister on the class, clicked: the folder's VelmRegSvr takes the server out.
        HWND tree = VisibleTree(window);
        ClickTreeNode(process, tree, node);
        ASSERT_TRUE(WaitUntil([&] { return TreeView_GetSelection(tree) == node; }, 30));
        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(velmora, window, kUnregister));
        const std::string question = "Really unregister component\r\n" + kProgId + " ?";
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = DialogShowing(velmora, question)) != nullptr; }, 60))
            << "no question before unregistering";
        PostMessageA(box, WM_COMMAND, IDYES, 0);
        shown = WaitForRegSvr();
        ASSERT_TRUE(shown.form) << "no VelmRegSvr window after Unregister";
        EXPECT_TRUE(SamePath(shown.image, regsvr)) << shown.image;
        EXPECT_EQ(shown.header, "Component unregistered successfully.");
        EXPECT_EQ(FixtureKeysPresent(), 0);
        ASSERT_TRUE(PressAndWaitEnd(shown, "&OK"));
        // Velmora takes the unregistration in: the class leaves the tab.
        ASSERT_TRUE(WaitUntil([&] {
            window = MainWindow(velmora);
            HWND t = window ? VisibleTree(window) : nullptr;
            if (!t || BusyBox(velmora)) return false;
            for (const RemoteNode& n : RemoteTreeNodes(process, t))
                if (n.depth == 1 && n.text == kProgId) return false;
            return true;
        })) << kProgId << " is still on the components tab";

        // Edit > Register NEW server, the component picked in the open dialog: the folder's
        // VelmRegSvr registers it again.
        ASSERT_NO_FATAL_FAILURE(ChooseFromEditMenu(velmora, window, kRegisterNew));
        HWND open = WaitForWindow(velmora, "#32770", "Open", 60);
        ASSERT_TRUE(open) << "no open dialog";
        HWND name = GetDlgItem(open, cmb13);
        if (!name) name = GetDlgItem(open, edt1);
        ASSERT_TRUE(name);
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kDll.c_str()));
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        shown = WaitForRegSvr();
        ASSERT_TRUE(shown.form) << "no VelmRegSvr window after Register NEW";
        EXPECT_TRUE(SamePath(shown.image, regsvr)) << shown.image;
        EXPECT_EQ(shown.header, "Component registered successfully.");
        EXPECT_EQ(FixtureKeysPresent(), kAllKeys);
        EXPECT_FALSE(shown.viewEnabled);  // Velmora runs: it is told instead
        ASSERT_TRUE(PressAndWaitEnd(shown, "&OK"));

        // Help > Contents opens the folder's help file with the system's help viewer, once
        // Velmora has taken the new component in.
        ASSERT_TRUE(WidgetNode(process, velmora, window));
        {
            ASSERT_NO_FATAL_FAILURE(ChooseFromHelpMenu(velmora, window, 0));
            const std::vector<std::string> lines = openers.Lines(1);
            ASSERT_EQ(lines.size(), 1u);
            const Start start = Parse(lines[0]);
            EXPECT_TRUE(TextCase::Equal(start.program, openers.help)) << lines[0];
            EXPECT_NE(TextCase::Upper(start.commandLine).find(TextCase::Upper(folder + "\\Velmora.chm")),
                      std::string::npos)
                << lines[0];
        }
        CloseHandle(process);
        EndProcess(velmora);
        velmora = 0;

        // Explorer's "unregister" on the component: the folder's VelmRegSvr takes it out.
        ASSERT_TRUE(ExplorerCommands::Run("VelmUnregister", kDll));
        shown = WaitForRegSvr();
        ASSERT_TRUE(shown.form) << "no VelmRegSvr window after the Explorer command";
        EXPECT_TRUE(SamePath(shown.image, regsvr)) << shown.image;
        EXPECT_EQ(shown.header, "Component unregistered successfully.");
        EXPECT_EQ(FixtureKeysPresent(), 0);
        ASSERT_TRUE(PressAndWaitEnd(shown, "&OK"));
    }
};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// What of a program's debug information its file still holds: a symbol table with symbols in
// it, and the sections the compiler writes it into (".debug_..."). A section name longer than
// eight characters is stored as "/N", an offset into the string table that follows the symbol
// table; it is read from there. A stripped program may keep that string table for its other
// long names (the 32-bit compiler's ".eh_frame"), with no symbol before it. Empty for a
// program without any.
std::string DebugInformationOf(const std::string& path) {
    PeImage image(path);
    if (!image.IsPe() || !image.HasFileHeader()) return "not a program";
    const IMAGE_FILE_HEADER header = image.FileHeader();
    std::string found;
    if (header.NumberOfSymbols != 0) found += "symbol table; ";
    const uint64_t strings = static_cast<uint64_t>(header.PointerToSymbolTable) + 18ull * header.NumberOfSymbols;
    for (uint16_t i = 0; i < image.NumberOfSections(); ++i) {
        const IMAGE_SECTION_HEADER section = image.Section(i);
        std::string name(reinterpret_cast<const char*>(section.Name),
                         strnlen(reinterpret_cast<const char*>(section.Name), IMAGE_SIZEOF_SHORT_NAME));
        if (name.rfind("/", 0) == 0) {
            std::string longName;
            if (header.PointerToSymbolTable == 0 ||
                !image.Text(strings + std::strtoull(name.c_str() + 1, nullptr, 10), longName)) {
                found += "section " + name + " (its name is not in the string table); ";
                continue;
            }
            name = longName;
        }
        if (name.rfind(".debug", 0) == 0) found += "section " + name + "; ";
    }
    return found;
}

}  // namespace

// The build's program folder holds the three programs, the help file and the licence, and
// nothing of the tests (the dialog's script aside, which it writes there as into any program
// folder).
TEST_F(Delivered, FromTheBuildsProgramFolder) {
    const std::string folder = Parent(WindowsPath(VELMORA_EXE));
    bool folders = false;
    std::set<std::string> names = FileNames(folder, folders);
    names.erase("ocxdllreg.reg");
    EXPECT_EQ(names, kDelivered);
    EXPECT_FALSE(folders);
    UseFrom(folder);
}

// The programs of both builds' packages come without their debug information, and the builds'
// own programs keep it. Both presets are built wherever the tests run, and the check only reads
// files, so every suite checks the other build's package too (the 32-bit one where no 32-bit
// program can run).
TEST_F(Delivered, FromThePackagesWithoutDebugInformation) {
    const struct {
        std::string package, bin;
    } builds[] = {{VELM_PACKAGE_UNPACKED, Parent(WindowsPath(VELMORA_EXE))},
                  {VELM_OTHER_PACKAGE_UNPACKED, WindowsPath(VELM_OTHER_BIN_UNIX)}};
    for (const auto& build : builds) {
        SCOPED_TRACE(build.package);
        for (const char* program : {"Velmora.exe", "VelmRegSvr.exe", "VelmDepends.exe"}) {
            ASSERT_NE(GetFileAttributesA((build.bin + "\\" + program).c_str()), INVALID_FILE_ATTRIBUTES)
                << build.bin << "\\" << program << ": both presets must be built (tools/test builds them)";
            EXPECT_EQ(DebugInformationOf(build.package + "\\" + program), "") << program;
            EXPECT_NE(DebugInformationOf(build.bin + "\\" + program), "") << program;
        }
    }
}

// The package holds exactly the three programs, the help file and the licence; put into a
// fresh folder (with a blank in its path) they work from there.
TEST_F(Delivered, FromThePackageInAFreshFolder) {
    bool folders = false;
    const std::set<std::string> names = FileNames(VELM_PACKAGE_UNPACKED, folders);
    ASSERT_EQ(names, kDelivered);
    EXPECT_FALSE(folders);
    char programFiles[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH));
    const std::string folder = std::string(programFiles) + "\\Velmora";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const std::string& name : names)
        ASSERT_TRUE(CopyFileA((std::string(VELM_PACKAGE_UNPACKED) + "\\" + name).c_str(), (folder + "\\" + name).c_str(),
                              TRUE))
            << name;
    UseFrom(folder);
}
