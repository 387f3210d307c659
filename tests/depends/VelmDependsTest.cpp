// VelmDepends run as a user runs it: the command line decides what its window opens.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/TextCase.h"
#include "tests/app/RemoteWindows.h"
#include "tests/image/PeSupport.h"
#include "tests/support/Helpers.h"

namespace {

std::string ProgramPath() {
    std::string p = "Z:" VELM_DEPENDS_EXE_UNIX;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string SystemDir() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

struct Seen {
    DWORD pid = 0;
    HWND window = nullptr;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
    auto* seen = reinterpret_cast<Seen*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == seen->pid && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == nullptr) {
        seen->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindTree(HWND hwnd, LPARAM lp) {
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, WC_TREEVIEWA) == 0) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The facts list: the list view with the two columns "Name" and "Value".
BOOL CALLBACK FindFacts(HWND hwnd, LPARAM lp) {
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, WC_LISTVIEWA) != 0) return TRUE;
    HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd, LVM_GETHEADER, 0, 0));
    if (!header || SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) != 2) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

// Starts the program with the text after its name, waits for its window and reads the
// caption, the number of tree nodes and of rows of the facts list; then closes it as a user does
// and takes the exit code (kStillRunning when it had not ended within the wait and was stopped).
constexpr DWORD kStillRunning = 0xFFFFFFFF;
struct Outcome {
    std::string caption;
    long nodes = -1;
    long facts = -1;
    DWORD exitCode = kStillRunning;
};

Outcome RunWith(const std::string& arguments, int waitSeconds = 60) {
    Outcome out;
    std::string line = "\"" + ProgramPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
    PROCESS_INFORMATION pi{};
    if (!StartProcess(line, pi)) return out;
    WaitForInputIdle(pi.hProcess, static_cast<DWORD>(waitSeconds) * 1000);
    Seen seen{pi.dwProcessId};
    // Its window is up once the process waits for input; poll a while for it to show.
    for (int i = 0; i < waitSeconds * 10 && !seen.window; ++i) {
        EnumWindows(FindTop, reinterpret_cast<LPARAM>(&seen));
        if (!seen.window) Sleep(100);
    }
    if (seen.window) {
        char caption[512] = "";
        GetWindowTextA(seen.window, caption, sizeof caption);
        out.caption = caption;
        HWND tree = nullptr;
        EnumChildWindows(seen.window, FindTree, reinterpret_cast<LPARAM>(&tree));
        if (tree) out.nodes = static_cast<long>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
        HWND facts = nullptr;
        EnumChildWindows(seen.window, FindFacts, reinterpret_cast<LPARAM>(&facts));
        if (facts) out.facts = static_cast<long>(SendMessageA(facts, LVM_GETITEMCOUNT, 0, 0));
        PostMessageA(seen.window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(waitSeconds) * 1000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &out.exitCode);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return out;
}

// The facts a user reads in the program's window after clicking the first node of its tree whose
// text is `node` (case ignored): "File Location" and "File size" ("" when the node or the facts
// never showed).
struct ModuleFacts {
    std::string location, size;
};
ModuleFacts FactsAfterClicking(const std::string& file, const std::string& node) {
    ModuleFacts out;
    PROCESS_INFORMATION pi{};
    if (!StartProcess("\"" + ProgramPath() + "\" " + file, pi)) return out;
    WaitForInputIdle(pi.hProcess, 60000);
    Seen seen{pi.dwProcessId};
    WaitUntil([&] { return EnumWindows(FindTop, reinterpret_cast<LPARAM>(&seen)), seen.window != nullptr; }, 60);
    HWND tree = nullptr, facts = nullptr;
    if (seen.window) {
        EnumChildWindows(seen.window, FindTree, reinterpret_cast<LPARAM>(&tree));
        EnumChildWindows(seen.window, FindFacts, reinterpret_cast<LPARAM>(&facts));
    }
    if (tree && facts) {
        for (const RemoteNode& n : RemoteTreeNodes(pi.hProcess, tree)) {
            if (!TextCase::Equal(n.text, node)) continue;
            ClickTreeNode(pi.hProcess, tree, n.item);
            WaitUntil([&] { return SendMessageA(facts, LVM_GETITEMCOUNT, 0, 0) > 0; }, 30);
            const std::vector<std::string> names = RemoteListTexts(pi.hProcess, facts, 0);
            const std::vector<std::string> values = RemoteListTexts(pi.hProcess, facts, 1);
            for (size_t i = 0; i < names.size() && i < values.size(); ++i) {
                if (names[i] == "File Location") out.location = values[i];
                if (names[i] == "File size") out.size = values[i];
            }
            break;
        }
    }
    if (seen.window) PostMessageA(seen.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return out;
}

std::string SizeText(const std::string& path) { return std::to_string(pe_test::ReadAll(path).size()) + " Bytes"; }

}  // namespace

// A program copied into a folder of its own, 32-bit or 64-bit, shows KERNEL32 from the system
// folder of its own machine, whichever build the viewer is: the copy its loader would take.
TEST(VelmDepends, AProgramsSystemLibrariesAreThoseOfItsMachine) {
    for (const pe_test::MachineFolder& system : pe_test::SystemFoldersByMachine()) {
        SCOPED_TRACE(system.folder);
        const pe_test::LoneCopy program(system.folder + "\\notepad.exe",
                                        "velm-depends-machine-" + std::to_string(system.machine), "one.exe");
        ASSERT_TRUE(program.made);
        const ModuleFacts facts = FactsAfterClicking(program.path, "kernel32.dll");
        EXPECT_TRUE(TextCase::Equal(facts.location, system.folder + "\\kernel32.dll")) << facts.location;
        EXPECT_EQ(facts.size, SizeText(system.folder + "\\kernel32.dll"));
    }
}

// A file named in the system folder is the one this build reads there, and its facts say which:
// on 64-bit Windows the 32-bit build reads SysWOW64's notepad.exe, and names it so.
TEST(VelmDepends, TheFactsNameTheFileRead) {
    const std::string named = SystemDir() + "\\notepad.exe";
    std::string read = named;
    BOOL wow64 = FALSE;
    char buf[MAX_PATH];
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && GetSystemWow64DirectoryA(buf, MAX_PATH) > 0)
        read = std::string(buf) + "\\notepad.exe";
    const ModuleFacts facts = FactsAfterClicking(named, named);
    EXPECT_TRUE(TextCase::Equal(facts.location, read)) << facts.location;
    EXPECT_EQ(facts.size, SizeText(read));
}

TEST(VelmDepends, OpensTheFileOfItsCommandLine) {
    const long imports = static_cast<long>(
        pe_test::RawImage(pe_test::ReadAll(SystemDir() + "\\notepad.exe")).ImportNames().size());
    // As typed, and quoted as a file association passes it: one enclosing pair of quotes is
    // taken off, since a file name cannot hold a quote.
    for (const std::string& args : {SystemDir() + "\\notepad.exe", "\"" + SystemDir() + "\\notepad.exe\""}) {
        const Outcome o = RunWith(args);
        EXPECT_EQ(o.caption, "Velm Depends - notepad.exe") << args;
        EXPECT_GT(o.nodes, imports) << args;
        EXPECT_EQ(o.facts, 0) << args;  // empty until a module is clicked
        EXPECT_EQ(o.exitCode, 0u) << args;
    }
}

// A chain of 30,000 DLLs, each importing the next, opens as one node per file nested as deep
// as the chain, and closing the window ends the program cleanly: the deep tree is torn down
// without work whose depth grows with the chain.
TEST(VelmDepends, ClosingAVeryDeepTreeEndsTheProgram) {
    std::string first = "Z:" VELM_DEPENDS_CHAIN_UNIX "/c00000.dll";
    for (char& c : first)
        if (c == '/') c = '\\';
    ASSERT_FALSE(pe_test::ReadAll(first).empty()) << first;
    const Outcome o = RunWith(first, 300);
    EXPECT_EQ(o.caption, "Velm Depends - c00000.dll");
    EXPECT_EQ(o.nodes, VELM_DEPENDS_CHAIN_LENGTH + 1);
    EXPECT_EQ(o.exitCode, 0u) << "the program did not end cleanly after its window was closed";
}

namespace {

// A folder under the temporary folder, removed with its files afterwards.
struct Scratch {
    std::string dir;
    explicit Scratch(const std::string& name) {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    ~Scratch() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((dir + "\\" + fd.cFileName).c_str());
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }
};

}  // namespace

// Damaged files the program once crashed on inside system functions: it opens each, shows
// its window with the file's tree (a root it could not open is one struck node), and closes.
TEST(VelmDepends, SurvivesDamagedFiles) {
    Scratch scratch("velm-depends-damaged");
    const auto version = pe_test::ReadAll(pe_test::VersionFixtureDir() + "\\verde.dll");
    const auto image = pe_test::ReadAll(pe_test::FixtureDir("x64") + "\\fxc.dll");
    ASSERT_FALSE(version.empty());
    ASSERT_FALSE(image.empty());
    std::vector<pe_test::Damage> damages = pe_test::VersionDamages(version);
    ASSERT_FALSE(damages.empty());
    for (uint32_t back : {4u, 13u, 22u})
        damages.push_back({"end" + std::to_string(back) + ".dll", pe_test::HeadersAtTheEnd(image, back)});
    for (const auto& d : damages) {
        const std::string path = scratch.dir + "\\" + d.name;
        ASSERT_TRUE(pe_test::WriteAll(path, d.bytes.data(), d.bytes.size()));
        const Outcome o = RunWith(path);
        EXPECT_EQ(o.caption, "Velm Depends - " + d.name);
        EXPECT_GE(o.nodes, 1) << d.name;
    }
}

TEST(VelmDepends, AnythingElseOpensAnEmptyWindow) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string text = std::string(temp) + "velm-depends-test.txt";
    HANDLE h = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    for (const std::string& args : {std::string(), text, "\"" + text + "\"", "\"" + SystemDir() + "\\notepad.exe",
                                    std::string("notepad.exe"), std::string("C:\\no-such-folder\\x.dll")}) {
        const Outcome o = RunWith(args);
        EXPECT_EQ(o.caption, "Velm Depends") << args;
        EXPECT_EQ(o.nodes, 0) << args;
    }
    DeleteFileA(text.c_str());
}

// Started alone, the window opens centred on the screen with the tree focused: the arrow keys
// (real key input) walk it without a click first.
TEST(VelmDepends, OpensCentredAndTheArrowKeysWalkTheTree) {
    std::string line = "\"" + ProgramPath() + "\" " + SystemDir() + "\\notepad.exe";
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(StartProcess(line, pi));
    Seen seen{pi.dwProcessId};
    HWND tree = nullptr;
    GUITHREADINFO gti{};
    gti.cbSize = sizeof gti;
    for (int i = 0; i < 600; ++i) {
        if (!seen.window) EnumWindows(FindTop, reinterpret_cast<LPARAM>(&seen));
        if (seen.window && !tree) EnumChildWindows(seen.window, FindTree, reinterpret_cast<LPARAM>(&tree));
        if (tree && SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 1 &&
            GetGUIThreadInfo(GetWindowThreadProcessId(seen.window, nullptr), &gti) && gti.hwndFocus == tree)
            break;
        Sleep(100);
    }
    ASSERT_TRUE(tree);
    EXPECT_EQ(gti.hwndFocus, tree) << "the tree has the focus";
    RECT r{};
    GetWindowRect(seen.window, &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);

    auto caret = [&] { return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0); };
    const LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SetForegroundWindow(seen.window);
    Sleep(700);  // the display's focus change settles before keys come
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_DOWN;
    in[0].ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    in[1].ki.dwFlags = KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
    // Two presses: the first selects the root when nothing is selected yet.
    for (int i = 0; i < 2; ++i) SendInput(2, in, sizeof(INPUT));
    for (int j = 0; j < 100 && (caret() == 0 || caret() == root); ++j) Sleep(100);
    EXPECT_NE(caret(), 0);
    EXPECT_NE(caret(), root) << "Down moved the selection below the root";
    PostMessageA(seen.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
