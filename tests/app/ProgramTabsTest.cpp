// The file-types, services and uninstall tabs of Velmora started as a user starts it, on the
// test prefix's real registry: what each tab lists (with its pictures), the file-types search
// for "print" answered through the Find dialog, a service's details and values after clicks,
// fixture uninstall entries and their cache, and a scan cancelled from the busy box.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"
#include "platform/ShellLink.h"
#include "tests/app/RemoteWindows.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace {

constexpr int kUninstallTab = 0, kServicesTab = 1, kFileTypesTab = 2;

// ---- the registry as the test process reads it

// The extensions of HKEY_CLASSES_ROOT in the registry's order, as the file-types tab names them
// by default: "ini - inifile".
std::vector<std::string> ExtensionTexts() {
    std::vector<std::string> texts;
    for (const std::string& name : SubKeys(HKEY_CLASSES_ROOT, ""))
        if (name.size() > 0 && name[0] == '.') {
            const std::string type = ReadText(HKEY_CLASSES_ROOT, name, "");
            texts.push_back(name.substr(1) + " - " + (type == "<none>" ? "" : type));
        }
    return texts;
}

const char* const kServices = "SYSTEM\\CurrentControlSet\\Services";

// What `reg query` prints for one value of a key.
std::string RegQuery(const std::string& key, const std::string& value) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) return "";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string cmd = "reg.exe query \"" + key + "\" /v \"" + value + "\"";
    std::string out;
    if (StartProcess(cmd, pi, nullptr, &si, true, CREATE_NO_WINDOW)) {
        CloseHandle(write);
        write = nullptr;
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(read, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (write) CloseHandle(write);
    CloseHandle(read);
    return out;
}

// ---- the program's windows

// A message box of the program showing that text, or null.
HWND MessageBoxWith(DWORD pid, const std::string& text) {
    for (HWND w : ProcessWindows(pid, "#32770", "", true))
        if (ChildWindow(w, "Static", text)) return w;
    for (HWND w : VelmoraWindows(pid, true))
        if (ChildWindow(w, "Static", text)) return w;
    return nullptr;
}

// Answers the Find dialog: the text, keys, values and data ticked, then OK.
bool AnswerFind(DWORD pid, const std::string& text) {
    HWND find = WaitForWindow(pid, "", "Find", 60);
    if (!find) return false;
    HWND edit = FirstChild(find, "Edit");
    if (!edit) return false;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    for (const char* box : {"Keys", "Values", "Data"}) {
        HWND check = ChildWindow(find, "Button", box);
        if (check && SendMessageA(check, BM_GETCHECK, 0, 0) != BST_CHECKED) SendMessageA(check, BM_CLICK, 0, 0);
    }
    HWND ok = ChildWindow(find, "Button", "&OK");
    if (!ok) return false;
    PostMessageA(ok, BM_CLICK, 0, 0);
    return true;
}

HWND StatusBar(HWND main) { return FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr); }
HWND TabStrip(HWND main) { return ChildWindow(main, WC_TABCONTROLA, ""); }

struct ProgramTabs : ::testing::Test {
    Program program;
    DWORD pid = 0;
    HANDLE process = nullptr;
    HWND main = nullptr;

    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora"); }
    void TearDown() override {
        program.Kill();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
    }
    // Starts Velmora on a tab (its first visit scans) and waits for its main window.
    void StartOn(int tab) {
        LoadRegText(HKEY_CURRENT_USER, Stored("\"Last_Tab\"=\"" + std::to_string(tab) + "\"\n\"ShowInTaskbar\"=\"0\"\n"));
        ASSERT_TRUE(program.Start());
        pid = program.pi.dwProcessId;
        process = program.pi.hProcess;
        ASSERT_TRUE(WaitUntil([&] { return (main = MainWindow(pid)) != nullptr; })) << "no main window";
    }
    // The shown tab's tree once its run has ended with `roots` root nodes.
    HWND TreeWith(size_t roots) {
        HWND tree = nullptr;
        WaitUntil([&] {
            tree = VisibleTree(main);
            return tree && static_cast<size_t>(RootCount(tree)) == roots && !BusyBox(pid);
        });
        return tree;
    }
    std::string Status() { return RemoteStatusText(process, StatusBar(main), 0); }
    // The uninstall tab's list once its run has ended with `row` listed once, its rows in `rows`
    // (nullptr when that does not come).
    HWND UninstallListWith(const std::string& row, std::vector<std::string>& rows) {
        HWND list = nullptr;
        const bool filled = WaitUntil([&] {
            auto lists = VisibleLists(main);
            list = lists.empty() ? nullptr : lists.front();
            if (!list || BusyBox(pid) || Status() != "Ready.") return false;
            rows = RemoteListTexts(process, list);
            return std::count(rows.begin(), rows.end(), row) == 1;
        });
        return filled ? list : nullptr;
    }
};

}  // namespace

TEST_F(ProgramTabs, FileTypesListEveryExtensionWithIconsAndTheSearchForPrintMarksThePrintKeys) {
    const std::vector<std::string> extensions = ExtensionTexts();
    ASSERT_GT(extensions.size(), 10u);
    ASSERT_NO_FATAL_FAILURE(StartOn(kFileTypesTab));
    HWND tree = TreeWith(extensions.size());
    ASSERT_TRUE(tree) << "file-types tab not filled";

    std::vector<RemoteNode> nodes = RemoteTreeNodes(process, tree);
    std::vector<std::string> roots;
    std::map<std::string, int> imageOf;
    for (const RemoteNode& n : nodes)
        if (n.depth == 0) roots.push_back(n.text), imageOf[n.text] = n.image;
    EXPECT_EQ(roots, extensions);
    // Every node has a picture; the types with an icon of their own show it, apart from the
    // placeholder of the types without.
    std::set<int> images;
    for (const auto& [text, image] : imageOf) {
        EXPECT_GE(image, 0) << text;
        images.insert(image);
    }
    EXPECT_GE(images.size(), 3u);
    ASSERT_TRUE(imageOf.count("ini - inifile"));

    // The types that have a print command, as the registry has them.
    std::set<std::string> expected;
    for (const std::string& root : roots) {
        const std::string type = root.substr(root.find(" - ") + 3);
        if (!type.empty() && KeyExists(HKEY_CLASSES_ROOT, type + "\\shell\\print"))
            expected.insert(TextCase::Lower(root + "\\HKEY_CLASSES_ROOT\\" + type + "\\shell\\print"));
    }
    ASSERT_TRUE(expected.count("ini - inifile\\hkey_classes_root\\inifile\\shell\\print"));

    // The search from the tab's button, answered in the Find dialog, ends with the finishing box.
    HWND search = ChildWindow(main, "Button", "&Search in Registry...");
    ASSERT_TRUE(search);
    PostMessageA(search, BM_CLICK, 0, 0);
    ASSERT_TRUE(AnswerFind(pid, "print"));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = MessageBoxWith(pid, "Finished searching through the registry.")) != nullptr; }))
        << "no finishing box";

    // The print keys carry the "Found" picture, and nothing else does.
    nodes = RemoteTreeNodes(process, tree);
    int found = -1;
    for (const RemoteNode& n : nodes)
        if (TextCase::Lower(n.path) == "ini - inifile\\hkey_classes_root\\inifile\\shell\\print") found = n.image;
    ASSERT_GE(found, 0) << "the print key of inifile is not in the tree";
    std::set<std::string> marked;
    for (const RemoteNode& n : nodes)
        if (n.image == found) marked.insert(TextCase::Lower(n.path));
    EXPECT_EQ(marked, expected);

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !MessageBoxWith(pid, "Finished searching through the registry."); }));
    EXPECT_EQ(Status(), "Ready.");
}

TEST_F(ProgramTabs, ServicesListEveryServiceKeyWithItsPictureAndAClickShowsDetailsAndValues) {
    const std::vector<std::string> keys = SubKeys(HKEY_LOCAL_MACHINE, kServices);
    ASSERT_GT(keys.size(), 10u);
    ASSERT_NO_FATAL_FAILURE(StartOn(kServicesTab));
    HWND tree = TreeWith(keys.size());
    ASSERT_TRUE(tree) << "services tab not filled";

    // One root per service key, named by its display name (the key name without one), in the
    // registry's order. The pictures are the tab's first three: Service, Device, Strike.
    std::vector<RemoteNode> nodes = RemoteTreeNodes(process, tree);
    std::vector<RemoteNode> roots;
    for (const RemoteNode& n : nodes)
        if (n.depth == 0) roots.push_back(n);
    ASSERT_EQ(roots.size(), keys.size());
    constexpr int kService = 0, kDevice = 1, kStrike = 2;
    std::set<int> seen;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string path = std::string(kServices) + "\\" + keys[i];
        const std::string display = ReadText(HKEY_LOCAL_MACHINE, path, "DisplayName");
        EXPECT_EQ(roots[i].text, display == "<none>" ? keys[i] : display);
        const DWORD type = ReadDword(HKEY_LOCAL_MACHINE, path, "Type");
        const bool device = type == 1 || type == 2;
        EXPECT_TRUE(roots[i].image == (device ? kDevice : kService) || roots[i].image == kStrike) << keys[i];
        // A key without an image path is never struck out.
        if (ReadText(HKEY_LOCAL_MACHINE, path, "ImagePath") == "<none>") {
            EXPECT_NE(roots[i].image, kStrike) << keys[i];
        }
        seen.insert(roots[i].image);
    }
    EXPECT_TRUE(seen.count(kService) && seen.count(kDevice));

    // A click on a service lists its details; a double click opens its registry key, whose click
    // lists the key's values.
    std::string key;
    const RemoteNode* service = nullptr;
    for (size_t i = 0; i < keys.size() && !service; ++i) {
        const std::string path = std::string(kServices) + "\\" + keys[i];
        if (ReadText(HKEY_LOCAL_MACHINE, path, "DisplayName") != "<none>" && ValueNames(HKEY_LOCAL_MACHINE, path).size() >= 3)
            service = &roots[i], key = keys[i];
    }
    ASSERT_TRUE(service);
    const std::string path = std::string(kServices) + "\\" + key;
    HWND details = DetailsList(main);
    ASSERT_TRUE(details);
    ClickTreeNode(process, tree, service->item);
    std::vector<std::string> labels, values;
    ASSERT_TRUE(WaitUntil([&] {
        labels = RemoteListTexts(process, details);
        values = RemoteListTexts(process, details, 1);
        return !labels.empty() && labels[0] == "Display Name" && values[0] == service->text;
    }, 30)) << "no details of " << key;
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels[2], "Registry Key");
    EXPECT_EQ(values[2], key);

    ClickTreeNode(process, tree, service->item, true);
    const std::string keyNode = TextCase::Lower(service->text + "\\HKEY_LOCAL_MACHINE\\" + path);
    const RemoteNode* own = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        nodes = RemoteTreeNodes(process, tree);
        for (const RemoteNode& n : nodes) {
            if (TextCase::Lower(n.path) == keyNode) own = &n;
        }
        return own != nullptr;
    }, 30)) << "the double click did not open " << keyNode;
    ClickTreeNode(process, tree, own->item);
    auto lists = VisibleLists(main);
    ASSERT_EQ(lists.size(), 2u);
    std::vector<std::string> expected;
    for (const std::string& v : ValueNames(HKEY_LOCAL_MACHINE, path)) expected.push_back(v.empty() ? "(Default)" : v);
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> listed;
    EXPECT_TRUE(WaitUntil([&] {
        listed = RemoteListTexts(process, lists[1]);
        std::sort(listed.begin(), listed.end());
        return listed == expected;
    }, 30));
    EXPECT_EQ(listed, expected);
}

namespace {

const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kCacheKey = "Software\\Quorvath\\Velmora\\Settings\\UninstClean\\USCache";
const std::string kAppFolder = "C:\\Program Files\\VelmFx Prog";
const std::string kAppExe = kAppFolder + "\\VelmFx Prog.exe";

// The suffix of the cache's value names for the entries this test program writes through its
// own view of HKEY_LOCAL_MACHINE: a 32-bit program on 64-bit Windows writes to the 32-bit view,
// whose entries the cache names with " [WOW6432Node]".
std::string OwnViewSuffix() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? " [WOW6432Node]" : "";
}

// Two uninstall entries in the prefix's real Uninstall key: one with its folder, executable
// and icon, one whose uninstaller is gone and that has no display name.
struct UninstallEntries {
    UninstallEntries() {
        CreateDirectoryA(kAppFolder.c_str(), nullptr);
        CopyFileA((WinDir() + "\\notepad.exe").c_str(), kAppExe.c_str(), FALSE);
        Remove();
        auto quote = [](const std::string& text) {
            std::string out = "\"";
            for (char c : text) {
                if (c == '\\' || c == '"') out += '\\';
                out += c;
            }
            return out + "\"";
        };
        LoadRegText(HKEY_LOCAL_MACHINE,
                    "[" + kUninstallKey + "\\VelmFx Prog]\n\"DisplayName\"=\"VelmFx Prog\"\n\"UninstallString\"=" +
                        quote("\"" + kAppFolder + "\\unins000.exe\" /S") + "\n\"DisplayIcon\"=" + quote(kAppExe) +
                        "\n[" + kUninstallKey + "\\VelmFx Plain]\n\"UninstallString\"=\"C:\\\\nothere\\\\x.exe\"\n");
    }
    ~UninstallEntries() {
        Remove();
        DeleteFileA(kAppExe.c_str());
        RemoveDirectoryA(kAppFolder.c_str());
    }
    static void Remove() {
        for (const char* name : {"VelmFx Prog", "VelmFx Plain"}) {
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kUninstallKey + "\\" + name).c_str());
            HKEY cache;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCacheKey.c_str(), 0, KEY_SET_VALUE, &cache) == ERROR_SUCCESS) {
                RegDeleteValueA(cache, (name + OwnViewSuffix()).c_str());
                RegCloseKey(cache);
            }
        }
    }
};

// Points the special folders the Start-menu walk reads (the Start menus and the desktop) at an
// empty fixture folder in the prefix's real registry, and puts the values back at the end: the
// prefix's desktop is a link to the user's home, which no test walks.
struct FixtureShellFolders {
    struct Saved {
        HKEY root;
        const char* name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        bool existed = false;
    };
    static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static constexpr const char* kFolder = "C:\\velmfx-prog-menus";
    std::vector<Saved> saved{{HKEY_LOCAL_MACHINE, "Common Start Menu", REG_NONE, {}, false},
                             {HKEY_CURRENT_USER, "Start Menu", REG_NONE, {}, false},
                             {HKEY_CURRENT_USER, "Desktop", REG_NONE, {}, false}};
    FixtureShellFolders() {
        CreateDirectoryA(kFolder, nullptr);
        for (Saved& v : saved) {
            HKEY key;
            if (RegCreateKeyExA(v.root, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != 0) continue;
            DWORD size = 0;
            if (RegQueryValueExA(key, v.name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
                v.data.resize(size);
                v.existed = RegQueryValueExA(key, v.name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
            }
            RegSetValueExA(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(kFolder),
                           static_cast<DWORD>(strlen(kFolder) + 1));
            RegCloseKey(key);
        }
    }
    ~FixtureShellFolders() {
        for (Saved& v : saved) {
            HKEY key;
            if (RegOpenKeyExA(v.root, kKey, 0, KEY_WRITE, &key) != 0) continue;
            if (v.existed) RegSetValueExA(key, v.name, 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
            else RegDeleteValueA(key, v.name);
            RegCloseKey(key);
        }
        RemoveDirectoryA(kFolder);
    }
};

}  // namespace

TEST_F(ProgramTabs, UninstallListsTheEntriesWithIconsRefreshesFromTheCacheAndTheCacheReadsBack) {
    UninstallEntries entries;
    FixtureShellFolders folders;
    const size_t count = SubKeys(HKEY_LOCAL_MACHINE, kUninstallKey).size();
    ASSERT_NO_FATAL_FAILURE(StartOn(kUninstallTab));
    HWND list = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        auto lists = VisibleLists(main);
        list = lists.empty() ? nullptr : lists.front();
        return list && static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) == count && !BusyBox(pid);
    })) << "uninstall tab not filled";

    auto rows = [&] {
        std::map<std::string, int> r;
        const auto texts = RemoteListTexts(process, list);
        const auto images = RemoteListImages(process, list);
        for (size_t i = 0; i < texts.size() && i < images.size(); ++i) r[texts[i]] = images[i];
        return r;
    };
    const std::map<std::string, int> first = rows();
    ASSERT_TRUE(first.count("VelmFx Prog") && first.count("VelmFx Plain"));
    // The entry's own icon, beside the placeholder picture of the entry without one.
    EXPECT_GE(first.at("VelmFx Plain"), 0);
    EXPECT_GE(first.at("VelmFx Prog"), 0);
    EXPECT_NE(first.at("VelmFx Prog"), first.at("VelmFx Plain"));

    // F5 refreshes: the findings go to the cache, which the scan reads; the rows are the same.
    RemoteSetStatusText(process, StatusBar(main), 0, "-");
    PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(list, WM_KEYUP, VK_F5, 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == "Ready." && !BusyBox(pid); })) << "the refresh did not end";
    EXPECT_EQ(rows(), first);

    // The cache as `reg query` reads it: folder, executable (in lower case) and the verified flag;
    // an entry without an executable has the blank.
    const std::string cacheKey = "HKLM\\" + kCacheKey;
    const std::string prog = TextCase::Lower(RegQuery(cacheKey, "VelmFx Prog" + OwnViewSuffix()));
    EXPECT_NE(prog.find(TextCase::Lower("REG_SZ    " + kAppFolder + "<:>" + kAppExe + "<:>1")), std::string::npos) << prog;
    const std::string plain = RegQuery(cacheKey, "VelmFx Plain" + OwnViewSuffix());
    EXPECT_NE(plain.find("<:> <:>1"), std::string::npos) << plain;
}

TEST_F(ProgramTabs, AScanCancelledFromTheBusyBoxLeavesTheTabsUnlocked) {
    // Many file types, each with an icon of its own to draw, so the scan runs long enough to be
    // cancelled.
    constexpr int kTypes = 1500;
    const std::string classes = "Software\\Classes\\";
    auto name = [](int i) { return ".velmfxcancel" + std::to_string(i); };
    auto removeTypes = [&] {
        for (int i = 0; i < kTypes; ++i) {
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (classes + name(i)).c_str());
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (classes + "velmfxcancel" + std::to_string(i)).c_str());
        }
    };
    struct Cleanup {
        std::function<void()> f;
        ~Cleanup() { f(); }
    } cleanup{removeTypes};
    const std::string shell32 = Sys32() + "\\shell32.dll,";
    for (int i = 0; i < kTypes; ++i) {
        HKEY k;
        const std::string type = "velmfxcancel" + std::to_string(i);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (classes + name(i)).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(type.c_str()), static_cast<DWORD>(type.size() + 1));
        RegCloseKey(k);
        const std::string icon = shell32 + std::to_string(i % 400);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (classes + type + "\\DefaultIcon").c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(icon.c_str()), static_cast<DWORD>(icon.size() + 1));
        RegCloseKey(k);
    }
    const std::vector<std::string> extensions = ExtensionTexts();

    ASSERT_NO_FATAL_FAILURE(StartOn(kFileTypesTab));
    HWND busy = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (busy = BusyBox(pid)) != nullptr; })) << "no busy box";
    HWND cancel = ChildWindow(busy, "Button", "&Cancel");
    ASSERT_TRUE(cancel);
    PostMessageA(cancel, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !BusyBox(pid) && Status() == "Ready."; })) << "the scan did not end";
    HWND tree = VisibleTree(main);
    ASSERT_TRUE(tree);
    EXPECT_LT(static_cast<size_t>(RootCount(tree)), extensions.size());

    // The other tabs open again: the services tab scans on its first visit.
    HWND tabs = TabStrip(main);
    ASSERT_TRUE(tabs);
    KeyToTab(tabs, kServicesTab);
    EXPECT_TRUE(WaitUntil([&] {
        HWND t = VisibleTree(main);
        return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == kServicesTab && t && t != tree &&
               static_cast<size_t>(RootCount(t)) == SubKeys(HKEY_LOCAL_MACHINE, kServices).size() && !BusyBox(pid);
    })) << "the services tab did not open and fill";

    // Back on the file types, F5 scans them all.
    KeyToTab(tabs, kFileTypesTab);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == kFileTypesTab && VisibleTree(main) == tree; }));
    PostMessageA(tree, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(tree, WM_KEYUP, VK_F5, 0);
    EXPECT_TRUE(TreeWith(extensions.size())) << "the new scan did not list every extension";
}

namespace {

const std::string kPf = "C:\\Program Files";
const std::string kPf86 = "C:\\Program Files (x86)";

// The machine has a 64-bit and a 32-bit view of HKEY_LOCAL_MACHINE (64-bit Windows, whichever
// the build); 32-bit Windows has one, whose entries the cache names without a suffix.
bool TwoMachineViews() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return sizeof(void*) == 8 || wow64;
}

// The cache's suffix for an entry written through KEY_WOW64_32KEY.
std::string View32Suffix() { return TwoMachineViews() ? " [WOW6432Node]" : ""; }

// The system's folder of 32-bit programs: "Program Files (x86)" on 64-bit Windows, "Program
// Files" on 32-bit Windows.
std::string ProgramFiles32() {
    const std::string x86 = QV_APIFileAndDisk::EnvironmentValue("ProgramFiles(x86)");
    return x86.empty() ? QV_APIFileAndDisk::EnvironmentValue("ProgramFiles") : x86;
}
const std::string kMenus = "C:\\velmfx-prog-menus";

// Realistic uninstall entries in the prefix's real registry: HKEY_LOCAL_MACHINE's 64-bit and
// 32-bit views and HKEY_CURRENT_USER, with application folders holding copies of a real
// program, the uninstallers under the names real installers give them, and shortcuts made
// through the shell-link layer in the fixture Start menu.
struct RealisticEntries {
    struct Key {
        HKEY root;
        REGSAM view;
        std::string name;
    };
    std::vector<Key> keys;
    std::vector<std::string> folders;
    std::vector<std::string> files;    // made in folders of the system's, removed one by one
    std::vector<std::string> parents;  // folders made above the fixture's folders, outermost first

    void Entry(HKEY root, REGSAM view, const std::string& name, const std::string& values) {
        HKEY uninstall;
        ASSERT_EQ(RegCreateKeyExA(root, kUninstallKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &uninstall,
                                  nullptr),
                  ERROR_SUCCESS);
        RegDeleteTreeA(uninstall, name.c_str());
        LoadRegText(uninstall, "[" + name + "]\n" + values);
        RegCloseKey(uninstall);
        keys.push_back({root, view, name});
    }
    void Copy(const std::string& path) {
        const std::string folder = path.substr(0, path.rfind('\\'));
        for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1)) {
            const std::string parent = folder.substr(0, at);
            if (GetFileAttributesA(parent.c_str()) == INVALID_FILE_ATTRIBUTES && CreateDirectoryA(parent.c_str(), nullptr))
                parents.push_back(parent);
        }
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((WinDir() + "\\notepad.exe").c_str(), path.c_str(), FALSE)) << path;
    }
    // A copy of `source` (a real library, or any file) at `path`, in a folder made before.
    void CopyOf(const std::string& source, const std::string& path) {
        ASSERT_TRUE(CopyFileA(source.c_str(), path.c_str(), FALSE)) << path;
        files.push_back(path);
    }
    void Link(const std::string& relative, const std::string& target) {
        const std::string link = kMenus + "\\" + relative;
        for (size_t at = link.find('\\', 3); at != std::string::npos; at = link.find('\\', at + 1))
            CreateDirectoryA(link.substr(0, at).c_str(), nullptr);
        QV_ShellLink::cShellLink shell;
        QV_ShellLink::ShellLinkData data;
        data.Target = target;
        bool ok = false;
        shell.CreateLink(link, data, ok);
        ASSERT_TRUE(ok) << link;
    }
    ~RealisticEntries() {
        for (const Key& k : keys) {
            HKEY uninstall;
            if (RegOpenKeyExA(k.root, kUninstallKey.c_str(), 0, KEY_ALL_ACCESS | k.view, &uninstall) != ERROR_SUCCESS)
                continue;
            RegDeleteTreeA(uninstall, k.name.c_str());
            RegCloseKey(uninstall);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCacheKey.c_str());
        for (const std::string& file : files) DeleteFileA(file.c_str());
        for (const std::string& folder : folders) {
            WIN32_FIND_DATAA found;
            HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
            if (h != INVALID_HANDLE_VALUE) {
                do DeleteFileA((folder + "\\" + found.cFileName).c_str());
                while (FindNextFileA(h, &found));
                FindClose(h);
            }
            RemoveDirectoryA(folder.c_str());
        }
        for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent) RemoveDirectoryA(parent->c_str());
    }
};

// The folder without a trailing backslash, the executable and the flag of a cache value as
// `reg query` prints it, in lower case; "<none>" when the value is not there.
std::string CachedAnswer(const std::string& valueName) {
    const std::string out = RegQuery("HKLM\\" + kCacheKey, valueName);
    const size_t type = out.find("REG_SZ");
    if (type == std::string::npos) return "<none>";
    std::string data = out.substr(out.find_first_not_of(' ', type + 6));
    data = data.substr(0, data.find_first_of("\r\n"));
    const size_t sep = data.find("<:>");
    if (sep != std::string::npos && sep > 0 && data[sep - 1] == '\\') data.erase(sep - 1, 1);
    return TextCase::Lower(data);
}

}  // namespace

TEST_F(ProgramTabs, UninstallGivesEachRealisticEntryItsOwnFolderAndProgramInBothRegistryViews) {
    FixtureShellFolders menus;
    RealisticEntries fx;
    const REGSAM v64 = KEY_WOW64_64KEY, v32 = KEY_WOW64_32KEY;
    const std::string inno = kPf + "\\VelmFx Inno", nsis = kPf + "\\VelmFx Nsis", msi = kPf + "\\VelmFx Msi";
    const std::string dual64 = kPf + "\\VelmFx Dual", dual32 = kPf86 + "\\VelmFx Dual", user = "C:\\VelmFx User App";
    const std::string tie = kPf + "\\VelmFx Tie", loose = "C:\\VelmFx Tie Loose";
    for (const std::string& p : {inno + "\\unins000.exe", inno + "\\InnoTool.exe", nsis + "\\Uninstall VelmFx Nsis Tool.exe",
                                 nsis + "\\nsistool.exe", msi + "\\msisuite.exe", dual64 + "\\dual.exe",
                                 dual64 + "\\uninst.exe", dual32 + "\\dual.exe", dual32 + "\\uninst.exe",
                                 user + "\\unins000.exe", user + "\\uapp.exe", tie + "\\unins000.exe", tie + "\\tv.exe",
                                 loose + "\\lv.exe"})
        fx.Copy(p);
    const std::string labs = "\"Publisher\"=\"VelmFx Labs\"\n";
    // Inno Setup: its unins000.exe, InstallLocation with a trailing backslash.
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Inno_is1",
             "\"DisplayName\"=\"VelmFx Inno Tool 2.1\"\n" + labs + "\"UninstallString\"=" +
                 RegQuoted("\"" + inno + "\\unins000.exe\"") + "\n\"InstallLocation\"=" + RegQuoted(inno + "\\") +
                 "\n\"DisplayIcon\"=" + RegQuoted(inno + "\\InnoTool.exe") + "\n");
    // NSIS: "Uninstall <name>.exe", which is also its display icon; no install location.
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Nsis",
             "\"DisplayName\"=\"VelmFx Nsis Tool\"\n" + labs + "\"UninstallString\"=" +
                 RegQuoted("\"" + nsis + "\\Uninstall VelmFx Nsis Tool.exe\"") + "\n\"DisplayIcon\"=" +
                 RegQuoted(nsis + "\\Uninstall VelmFx Nsis Tool.exe,0") + "\n");
    // An installer product the installer has no data of, known by its display icon.
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "{5E1F0A11-0000-4000-8000-00000000C024}",
             "\"DisplayName\"=\"VelmFx Msi Suite\"\n\"Publisher\"=\"Other Corp\"\n"
             "\"UninstallString\"=\"MsiExec.exe /X{5E1F0A11-0000-4000-8000-00000000C024}\"\n"
             "\"ModifyPath\"=\"MsiExec.exe /I{5E1F0A11-0000-4000-8000-00000000C024}\"\n\"DisplayIcon\"=" +
                 RegQuoted(msi + "\\msisuite.exe,0") + "\n");
    // An application whose folder was deleted.
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Gone_is1",
             "\"DisplayName\"=\"VelmFx Gone\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + kPf + "\\VelmFx Gone\\unins000.exe\" /SILENT") + "\n");
    // A 64-bit and a 32-bit copy of one program under one key name and display name.
    // 32-bit Windows holds no 64-bit copy: there the one key holds the 32-bit copy alone.
    const bool twoViews = TwoMachineViews();
    if (twoViews)
        fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Dual",
                 "\"DisplayName\"=\"VelmFx Dual\"\n\"UninstallString\"=" + RegQuoted("\"" + dual64 + "\\uninst.exe\"") +
                     "\n\"InstallLocation\"=" + RegQuoted(dual64) + "\n");
    fx.Entry(HKEY_LOCAL_MACHINE, v32, "VelmFx Dual",
             "\"DisplayName\"=\"VelmFx Dual\"\n\"UninstallString\"=" + RegQuoted("\"" + dual32 + "\\uninst.exe\"") +
                 "\n\"InstallLocation\"=" + RegQuoted(dual32) + "\n");
    // One entry both views hold alike: listed once.
    for (REGSAM view : {v64, v32})
        fx.Entry(HKEY_LOCAL_MACHINE, view, "VelmFx Same",
                 "\"DisplayName\"=\"VelmFx Same\"\n\"UninstallString\"=\"C:\\\\nothere\\\\x.exe\"\n");
    // A per-user installation, its program named by its display icon only.
    fx.Entry(HKEY_CURRENT_USER, 0, "VelmFx User",
             "\"DisplayName\"=\"VelmFx User App\"\n\"UninstallString\"=" + RegQuoted("\"" + user + "\\unins000.exe\"") +
                 "\n\"InstallLocation\"=" + RegQuoted(user) + "\n\"DisplayIcon\"=" + RegQuoted(user + "\\uapp.exe,0") +
                 "\n");
    // Two shortcuts that score alike, one to a program in the entry's own folder.
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Tie_is1",
             "\"DisplayName\"=\"VelmFx Tie Viewer\"\n\"UninstallString\"=" + RegQuoted("\"" + tie + "\\unins000.exe\"") + "\n");
    fx.Link("Tie Viewer A.lnk", loose + "\\lv.exe");
    fx.Link("Tie Viewer B.lnk", tie + "\\tv.exe");
    // The shortcuts: uninstallers first in their folders, one named like the 64-bit entry.
    fx.Link("VelmFx Labs\\Uninstall VelmFx Inno Tool.lnk", inno + "\\unins000.exe");
    fx.Link("VelmFx Labs\\VelmFx Inno Tool.lnk", inno + "\\InnoTool.exe");
    fx.Link("VelmFx Labs\\Uninstall VelmFx Nsis Tool.lnk", nsis + "\\Uninstall VelmFx Nsis Tool.exe");
    fx.Link("VelmFx Labs\\Nsis Tool.lnk", nsis + "\\nsistool.exe");
    if (twoViews) fx.Link("VelmFx Dual.lnk", dual64 + "\\dual.exe");
    fx.Link("VelmFx Dual (x86).lnk", dual32 + "\\dual.exe");
    // A 32-bit installer product known by its install location alone, written in quotes; its
    // program's name is the name's words run together, beside an updater.
    const std::string reader = kPf86 + "\\VelmFx Quoted Reader";
    fx.Copy(reader + "\\VelmFxReader.exe");
    fx.Copy(reader + "\\velmfx_updater.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v32, "{5E1F0A11-0000-4000-8000-00000000C025}",
             "\"DisplayName\"=\"VelmFx Reader DC\"\n\"WindowsInstaller\"=dword:00000001\n"
             "\"UninstallString\"=\"MsiExec.exe /I{5E1F0A11-0000-4000-8000-00000000C025}\"\n"
             "\"InstallLocation\"=" + RegQuoted("\"" + reader + "\\\"") + "\n");
    // A folder of several programs: a launcher and a crash reporter named like the product, a
    // library with icons, and the main program.
    const std::string studio = kPf + "\\VelmFx Brindle";
    for (const char* f : {"\\brindle-launcher.exe", "\\CrashReporter.exe", "\\BrindleStudio.exe",
                          "\\Uninstall Brindle Studio.exe"})
        fx.Copy(studio + f);
    fx.CopyOf(Sys32() + "\\shell32.dll", studio + "\\brindle-studio-core.dll");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Brindle",
             "\"DisplayName\"=\"Brindle Studio 2024\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + studio + "\\Uninstall Brindle Studio.exe\"") + "\n");
    // A per-user application deleted from the user's folder of programs, which holds another.
    char local[MAX_PATH] = {};
    ExpandEnvironmentStringsA("%LOCALAPPDATA%", local, sizeof local);
    const std::string programs = std::string(local) + "\\Programs";
    fx.Copy(programs + "\\VelmFx Sibling\\sibling.exe");
    fx.Entry(HKEY_CURRENT_USER, 0, "VelmFx Flint",
             "\"DisplayName\"=\"VelmFx Flint\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + programs + "\\VelmFx Flint\\Uninstall VelmFx Flint.exe\" /currentuser") +
                 "\n\"DisplayIcon\"=" + RegQuoted(programs + "\\VelmFx Flint\\flint.exe,0") + "\n");
    // A publisher's folder of two products, one of them deleted.
    const std::string skarn = kPf86 + "\\VelmFx Skarn";
    fx.Copy(skarn + "\\Editor\\SkarnEd.exe");
    fx.Copy(skarn + "\\Editor\\unins000.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v32, "VelmFx Skarn Editor_is1",
             "\"DisplayName\"=\"VelmFx Skarn Editor\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + skarn + "\\Editor\\unins000.exe\"") + "\n\"InstallLocation\"=" +
                 RegQuoted(skarn + "\\Editor\\") + "\n");
    fx.Entry(HKEY_LOCAL_MACHINE, v32, "VelmFx Skarn Tactics_is1",
             "\"DisplayName\"=\"VelmFx Skarn Tactics\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + skarn + "\\Tactics\\unins000.exe\"") + "\n");
    // A setup-information package removed through rundll32: its file in the Windows folder's
    // store of driver files.
    const std::string inf = WinDir() + "\\inf\\velmfxfp.inf";
    fx.CopyOf(WinDir() + "\\win.ini", inf);
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Font Pack",
             "\"DisplayName\"=\"VelmFx Font Pack\"\n\"UninstallString\"=" +
                 RegQuoted("rundll32.exe advpack.dll,LaunchINFSection " + inf + ",DefaultUninstall") + "\n");
    // An installer product removed through MsiExec /I, its display icon in the installer's
    // store of product icons, its program known by a shortcut; a manual's shortcut beside it.
    const std::string draxon = kPf + "\\VelmFx Draxon", store = WinDir() + "\\Installer\\{5E1F0A11-0000-4000-8000-00000000C026}";
    fx.Copy(draxon + "\\draxon.exe");
    fx.CopyOf(WinDir() + "\\win.ini", draxon + "\\VelmFx Draxon Toolkit Guide.pdf");
    fx.Copy(store + "\\draxon.ico");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "{5E1F0A11-0000-4000-8000-00000000C026}",
             "\"DisplayName\"=\"VelmFx Draxon Toolkit\"\n\"WindowsInstaller\"=dword:00000001\n"
             "\"UninstallString\"=\"MsiExec.exe /I{5E1F0A11-0000-4000-8000-00000000C026}\"\n"
             "\"DisplayIcon\"=" + RegQuoted(store + "\\draxon.ico") + "\n");
    fx.Link("VelmFx Draxon\\Draxon.lnk", draxon + "\\draxon.exe");
    fx.Link("VelmFx Draxon\\VelmFx Draxon Toolkit Guide.lnk", draxon + "\\VelmFx Draxon Toolkit Guide.pdf");
    // NSIS with its uninstaller in a sub-folder of its own, and neither icon nor shortcut.
    const std::string chat = kPf + "\\VelmFx Korvid Chat";
    fx.Copy(chat + "\\KorvidChat.exe");
    fx.Copy(chat + "\\uninst\\Uninstall.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Korvid Chat",
             "\"DisplayName\"=\"Korvid Chat\"\n\"UninstallString\"=" + RegQuoted(chat + "\\uninst\\Uninstall.exe") + "\n");
    // Install location and display icon as expandable texts naming an environment variable.
    const std::string tindle = kPf + "\\VelmFx Tindle";
    fx.Copy(tindle + "\\tindle.exe");
    fx.Copy(tindle + "\\unins000.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Tindle_is1",
             "\"DisplayName\"=\"VelmFx Tindle 5\"\n\"UninstallString\"=" + RegQuoted("\"" + tindle + "\\unins000.exe\"") +
                 "\n\"InstallLocation\"=expand:\"%ProgramFiles%\\\\VelmFx Tindle\"\n"
                 "\"DisplayIcon\"=expand:\"%ProgramFiles%\\\\VelmFx Tindle\\\\tindle.exe\"\n");
    // A help shortcut named like the entry that opens the system's help viewer.
    const std::string planner = kPf + "\\VelmFx Wexford Planner";
    fx.Copy(planner + "\\wplan.exe");
    fx.Copy(planner + "\\unins000.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Wexford Planner_is1",
             "\"DisplayName\"=\"VelmFx Wexford Planner\"\n\"UninstallString\"=" +
                 RegQuoted("\"" + planner + "\\unins000.exe\"") + "\n");
    fx.Link("VelmFx Wexford Planner\\VelmFx Wexford Planner Help.lnk", WinDir() + "\\hh.exe");
    // Two entries whose display names are empty and blank: each is its sub-key's name.
    const std::string blankOne = kPf + "\\VelmFx Blank One", blankTwo = kPf + "\\VelmFx Blank Two";
    const struct {
        const char* key;
        std::string folder;
        const char* name;
    } blanks[] = {{"VelmFx Blank One", blankOne, ""}, {"VelmFx Blank Two", blankTwo, "   "}};
    for (const auto& b : blanks) {
        fx.Copy(b.folder + "\\blankapp.exe");
        fx.Copy(b.folder + "\\unins000.exe");
        fx.Entry(HKEY_LOCAL_MACHINE, v64, b.key,
                 "\"DisplayName\"=" + RegQuoted(b.name) + "\n\"UninstallString\"=" +
                     RegQuoted("\"" + b.folder + "\\unins000.exe\"") + "\n\"DisplayIcon\"=" +
                     RegQuoted(b.folder + "\\blankapp.exe") + "\n");
    }
    // A 32-bit installer's Program Files as the install location, the program and uninstaller
    // in a folder of their own below it.
    const std::string rooted = ProgramFiles32() + "\\VelmFx Rooted";
    fx.Copy(rooted + "\\rooted.exe");
    fx.Copy(rooted + "\\unins000.exe");
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Rooted_is1",
             "\"DisplayName\"=\"VelmFx Rooted\"\n\"UninstallString\"=" + RegQuoted("\"" + rooted + "\\unins000.exe\"") +
                 "\n\"InstallLocation\"=" + RegQuoted(ProgramFiles32() + "\\") + "\n\"DisplayIcon\"=" + RegQuoted(rooted + "\\rooted.exe") +
                 "\n");
    // An application removed with its publisher's folder, its install location still written.
    const std::string pubGone = kPf + "\\VelmFx Pub Gone\\App";
    fx.Entry(HKEY_LOCAL_MACHINE, v64, "VelmFx Pub Gone_is1",
             "\"DisplayName\"=\"VelmFx Pub Gone\"\n\"UninstallString\"=" + RegQuoted("\"" + pubGone + "\\unins000.exe\"") +
                 "\n\"InstallLocation\"=" + RegQuoted(pubGone + "\\") + "\n");
    // Answers an older version cached: another product's program, and the entry's uninstaller.
    LoadRegText(HKEY_LOCAL_MACHINE, "[" + kCacheKey + "]\n\"VelmFx Inno Tool 2.1\"=" +
                                        RegQuoted(inno + "<:>" + nsis + "\\nsistool.exe<:>1") +
                                        "\n\"VelmFx Nsis Tool\"=" +
                                        RegQuoted(nsis + "<:>" + nsis + "\\Uninstall VelmFx Nsis Tool.exe<:>1") + "\n");
    // And a library as the program, a location kept with its quotes, a publisher's folder and
    // the installer's icon store as folders.
    LoadRegText(HKEY_LOCAL_MACHINE,
                "[" + kCacheKey + "]\n\"Brindle Studio 2024\"=" +
                    RegQuoted(studio + "<:>" + studio + "\\brindle-studio-core.dll<:>1") +
                    "\n\"VelmFx Reader DC" + View32Suffix() + "\"=" + RegQuoted("\"" + reader + "<:> <:>1") +
                    "\n\"VelmFx Skarn Tactics" + View32Suffix() + "\"=" + RegQuoted(skarn + "<:> <:>1") +
                    "\n\"VelmFx Draxon Toolkit\"=" + RegQuoted(store + "<:>" + draxon + "\\draxon.exe<:>1") + "\n");

    ASSERT_NO_FATAL_FAILURE(StartOn(kUninstallTab));
    std::vector<std::string> rows;
    HWND list = UninstallListWith("VelmFx User App", rows);
    ASSERT_TRUE(list) << "uninstall tab not filled";
    // The 32-bit view's entry is listed beside the 64-bit one; an entry both views hold alike once.
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "VelmFx Dual"), twoViews ? 2 : 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "VelmFx Same"), 1);
    // Entries of empty and blank display names are listed by their sub-key names, never blank.
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "VelmFx Blank One"), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "VelmFx Blank Two"), 1);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) { return r.find_first_not_of(' ') == std::string::npos; }),
              0);

    // F5: the findings go to the cache.
    RemoteSetStatusText(process, StatusBar(main), 0, "-");
    PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(list, WM_KEYUP, VK_F5, 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == "Ready." && !BusyBox(pid); })) << "the refresh did not end";

    struct Shape {
        const char* shape;
        std::string value;   // the cache value's name
        std::string answer;  // folder<:>executable<:>flag
    } shapes[] = {
        {"Inno Setup, publisher's words shared, stale cached program", "VelmFx Inno Tool 2.1",
         inno + "<:>" + inno + "\\innotool.exe<:>1"},
        {"NSIS, uninstaller as display icon and cached program", "VelmFx Nsis Tool",
         nsis + "<:>" + nsis + "\\nsistool.exe<:>1"},
        {"installer product without installer data", "VelmFx Msi Suite", msi + "<:>" + msi + "\\msisuite.exe<:>1"},
        {"deleted application folder", "VelmFx Gone", "<:> <:>0"},
        {"64-bit copy", "VelmFx Dual",
         twoViews ? dual64 + "<:>" + dual64 + "\\dual.exe<:>1" : dual32 + "<:>" + dual32 + "\\dual.exe<:>1"},
        {"32-bit copy", "VelmFx Dual" + View32Suffix(), dual32 + "<:>" + dual32 + "\\dual.exe<:>1"},
        {"per-user entry, display icon", "VelmFx User App [HKCU]", user + "<:>" + user + "\\uapp.exe<:>1"},
        {"tie between shortcuts", "VelmFx Tie Viewer", tie + "<:>" + tie + "\\tv.exe<:>1"},
        {"32-bit installer product, quoted install location, run-together program name", "VelmFx Reader DC" + View32Suffix(),
         reader + "<:>" + reader + "\\velmfxreader.exe<:>1"},
        {"launcher, crash reporter and library beside the main program", "Brindle Studio 2024",
         studio + "<:>" + studio + "\\brindlestudio.exe<:>1"},
        {"deleted from the user's folder of programs", "VelmFx Flint [HKCU]", "<:> <:>0"},
        {"deleted from its publisher's folder", "VelmFx Skarn Tactics" + View32Suffix(), "<:> <:>0"},
        {"install location, no program of its name, another folder's program by a shared word",
         "VelmFx Skarn Editor" + View32Suffix(), skarn + "\\Editor<:> <:>1"},
        {"rundll32 and a setup-information file", "VelmFx Font Pack", "<:> <:>0"},
        {"MsiExec /I, icon in the installer's store, manual's shortcut", "VelmFx Draxon Toolkit",
         draxon + "<:>" + draxon + "\\draxon.exe<:>1"},
        {"uninstaller in a sub-folder of its own", "Korvid Chat", chat + "<:>" + chat + "\\korvidchat.exe<:>1"},
        {"help shortcut to the system's help viewer", "VelmFx Wexford Planner", planner + "<:> <:>1"},
        {"expandable install location and display icon", "VelmFx Tindle 5", tindle + "<:>" + tindle + "\\tindle.exe<:>1"},
        {"empty display name", "VelmFx Blank One", blankOne + "<:>" + blankOne + "\\blankapp.exe<:>1"},
        {"blank display name", "VelmFx Blank Two", blankTwo + "<:>" + blankTwo + "\\blankapp.exe<:>1"},
        {"Program Files (x86) as the install location", "VelmFx Rooted", rooted + "<:>" + rooted + "\\rooted.exe<:>1"},
        {"install location and publisher's folder gone", "VelmFx Pub Gone", "<:> <:>0"},
    };
    // The three fields every version reads; an entry given no folder remembers that in a fourth.
    for (const Shape& s : shapes) {
        std::string answer = CachedAnswer(s.value);
        const size_t remembered = answer.find("<:>none:");
        EXPECT_EQ(remembered != std::string::npos, s.answer.rfind("<:> <:>0", 0) == 0) << s.shape << ": " << answer;
        if (remembered != std::string::npos) answer.resize(remembered);
        EXPECT_EQ(answer, TextCase::Lower(s.answer)) << s.shape;
    }
}

namespace {

// The visible text box of several lines in the main window (the uninstall tab's values box).
BOOL CALLBACK FindValuesBox(HWND w, LPARAM found) {
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0 || !IsWindowVisible(w) || !(GetWindowLongA(w, GWL_STYLE) & ES_MULTILINE)) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}
HWND ValuesBox(HWND main) {
    HWND found = nullptr;
    EnumChildWindows(main, FindValuesBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The whole text of a text box in another process ("" when it does not answer within 5 seconds).
std::string BoxText(HWND box) {
    // Room for far more than the box may hold, so that a box holding too much is seen to.
    std::vector<char> text(size_t{2} << 20, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             5000, &got))
        return "";
    return text.data();
}

}  // namespace

// Entries whose uninstall command, display icon and install location are each 100,000
// characters long, in the shapes a damaged or hostile installer writes, and one with 500 values
// of 2,000 characters: selecting one shows its values at once (each long one cut, with its
// length; of the many only as many as fit the box's bound, with the number left out), the
// window answers meanwhile, and the entries are given no folder.
TEST_F(ProgramTabs, UninstallEntryWithHundredThousandCharacterFieldsIsShownAtOnceWhenSelected) {
    FixtureShellFolders menus;
    RealisticEntries fx;
    constexpr size_t kLength = 100000;
    auto fill = [](std::string text, const std::string& unit) {
        while (text.size() < kLength) text += unit;
        return text.substr(0, kLength);
    };
    const std::string deep = fill(kPf + "\\VelmFx Long\\", "sub\\");
    const std::string blanks = fill(kPf + "\\VelmFx Long Blanks\\", "x ");
    struct Shape {
        const char* key;
        std::string command, icon, location;
    } shapes[] = {
        {"VelmFx Long Deep", fill("\"" + deep, "\\unins000.exe\" "), fill(deep, "\\app.exe,0"), deep},
        {"VelmFx Long Blanks", fill(blanks, "/x "), fill(blanks, ","), blanks},
    };
    for (const Shape& s : shapes)
        fx.Entry(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, s.key,
                 "\"DisplayName\"=" + RegQuoted(s.key) + "\n\"UninstallString\"=" + RegQuoted(s.command) +
                     "\n\"DisplayIcon\"=" + RegQuoted(s.icon) + "\n\"InstallLocation\"=" + RegQuoted(s.location) + "\n");
    const char* kMany = "VelmFx Many Values";
    std::string many = "\"DisplayName\"=\"VelmFx Many Values\"\n\"UninstallString\"=\"many /x\"\n";
    for (int i = 0; i < 500; ++i) many += "\"Note" + std::to_string(1000 + i) + "\"=\"" + std::string(2000, 'n') + "\"\n";
    fx.Entry(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kMany, many);

    ASSERT_NO_FATAL_FAILURE(StartOn(kUninstallTab));
    std::vector<std::string> rows;
    HWND list = UninstallListWith("VelmFx Long Blanks", rows);
    ASSERT_TRUE(list) << "uninstall tab not filled";
    HWND box = ValuesBox(main);
    ASSERT_TRUE(box);
    // The row of `key` clicked; its values as the box shows them once it shows them.
    // A user notices a freeze of a second or two; a loaded machine's delays stay far below that.
    constexpr ULONGLONG kNoticedMs = 1500;
    auto select = [&](const std::string& key, ULONGLONG noticedMs) -> std::string {
        const auto at = std::find(rows.begin(), rows.end(), key);
        EXPECT_NE(at, rows.end());
        if (at == rows.end()) return "";
        const ULONGLONG clicked = GetTickCount64();
        ClickListRow(process, list, static_cast<int>(at - rows.begin()));
        // The window answers every message while the click is handled, and then shows the
        // entry's values. The window is asked every 100 ms, so a freeze anywhere in the handling
        // holds one ask up for all of it but those 100 ms.
        bool hung = false;
        ULONGLONG longestAsk = 0, shownAfter = 0;
        std::string text;
        EXPECT_TRUE(WaitUntil([&] {
            if (hung) return true;
            const ULONGLONG asked = GetTickCount64();
            DWORD_PTR answer = 0;
            if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, noticedMs, &answer)) return hung = true;
            text = BoxText(box);
            const ULONGLONG now = GetTickCount64();
            longestAsk = std::max(longestAsk, now - asked);
            shownAfter = now - clicked;
            return text.find("DisplayName: " + key + "\r\n") != std::string::npos;
        }, 60)) << text.substr(0, 200);
        EXPECT_FALSE(hung) << "the window did not answer within " << noticedMs << " ms";
        EXPECT_LE(longestAsk, noticedMs) << "the window took that many milliseconds to answer";
        EXPECT_LE(shownAfter, noticedMs) << "the values were shown that many milliseconds after the click";
        return text;
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.key);
        const std::string text = select(s.key, kNoticedMs);
        const std::string cut = " ... (100000 characters)\r\n";
        for (const char* name : {"UninstallString: ", "DisplayIcon: ", "InstallLocation: "}) {
            const size_t line = text.find(name);
            ASSERT_NE(line, std::string::npos) << name;
            const size_t end = text.find("\r\n", line);
            EXPECT_EQ(text.compare(end + 2 - cut.size(), cut.size(), cut), 0) << name;
        }
    }
    {
        SCOPED_TRACE(kMany);
        // This entry's whole text (a megabyte) would hold the window for seconds at every
        // selection; the box's bound has it answer within a second (the box's wrapping of the
        // long lines that fit takes about a quarter of that).
        const std::string text = select(kMany, 1000);
        // The box holds at most 32 KB of whole lines and says how many values it left out.
        EXPECT_LE(text.size(), 32768u + 100) << text.size();
        const size_t shown = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        ASSERT_GT(shown, 10u);
        const std::string note = "... (" + std::to_string(502 - (shown - 1)) + " more values not shown)\r\n";
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), note.size())), note);
        EXPECT_NE(text.find("Note1000: " + std::string(2000, 'n') + "\r\n"), std::string::npos);
    }
    // No such text names a folder: the entries are given none.
    RemoteSetStatusText(process, StatusBar(main), 0, "-");
    PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(list, WM_KEYUP, VK_F5, 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == "Ready." && !BusyBox(pid); })) << "the refresh did not end";
    // (Read by the versions that know three fields as no folder; the fourth remembers that.)
    for (const Shape& s : shapes) EXPECT_EQ(CachedAnswer(s.key).substr(0, 16), "<:> <:>0<:>none:") << s.key;
}
