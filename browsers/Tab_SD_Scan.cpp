// The services scan and the resolution of a service's image path.
#include <windows.h>

#include <cstdlib>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "browsers/Tab_SD.h"
#include "registry/RegistryNodes.h"
#include "ui/Form.h"
#include "ui/Controls.h"
#include "ui/TreeView.h"

using namespace QV_Registry_Lib;
using QV_APIFileAndDisk::EnvironmentValue;

namespace Tab_SD {

const char* const ServicesKey = "SYSTEM\\CurrentControlSet\\Services";

namespace {

const char kNotDefined[] = "Not defined.";

// A text value of the open key, or false when it cannot be read.
bool ReadText(HKEY h, const char* name, std::string& text, long type = REG_SZ) {
    return QueryValue(h, name, text, type, 0) == "0";
}

// The folder part of a path, when that folder exists.
bool ExistingFolderOf(const std::string& path, std::string& folder) {
    std::string f;
    if (!QV_Strings_Lib::GetDirectory(path, f) || f.empty()) return false;
    if (!FileLookup::ExistingFolder(f)) return false;
    folder = f;
    return true;
}

std::string TrimRight(std::string text) {
    size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

}  // namespace

bool SD_ResolveImagePath(clsSD& rec, const std::string& imagePath) {
    // A service's image is a file of the system's own bitness: a 32-bit program on 64-bit Windows
    // tests the system folder the system names, not its own redirected one.
    FileLookup::NativeSystemFolder native;
    std::string path = imagePath;
    // An empty image path names nothing: no file, no folder.
    if (path.empty()) return false;
    bool found = false;
    auto take = [&](const std::string& file) {
        rec.vntImagePathEx = file;
        rec.blnFileExist = true;
        found = true;
    };
    auto tryFile = [&](const std::string& candidate) {
        std::string file;
        if (!FileLookup::ExistingFile(candidate, file)) return false;
        take(file);
        return true;
    };
    auto folderOf = [&](const std::string& candidate) {
        std::string folder;
        if (ExistingFolderOf(candidate, folder)) rec.vntImagePathEx = folder;
    };

    // 1-2: an NT object path prefix, then the path itself.
    if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    tryFile(path);

    // 3: the folder of the path, a bare name on PATH, or one environment variable expanded.
    if (!found) {
        std::string folder;
        if (ExistingFolderOf(path, folder)) {
            rec.vntImagePathEx = folder;
            rec.blnFileExist = false;
        }
        if (path.find('\\') == std::string::npos) {
            size_t slash = path.find('/');
            if (slash != std::string::npos) path = TrimRight(path.substr(0, slash));
            std::string file;
            if (FileLookup::FindOnSearchPath(path, file, FileLookup::WindowsFolders::None)) take(file);
        } else if (size_t first = path.find('%'); first != std::string::npos) {
            // "%" without its closing "%" names no variable: nothing is expanded. Every
            // reference to the first name is, in one bounded pass.
            if (path.find('%', first + 1) != std::string::npos) {
                path = QV_APIFileAndDisk::ExpandReferences(path, EnvironmentValue, true);
                rec.vntImagePathEx = path;
                tryFile(path);
            }
        }
    }

    // Shortens a path from the right (arguments after the program), with the usual extensions,
    // until a file or an existing folder is met: only leading parts that can be a path are tried.
    auto shorten = [&](const std::string& text) {
        QV_APIFileAndDisk::TryLeadingParts(text, 3, [&](const std::string& part) {
            if (FileLookup::ExistingFolder(part)) {
                rec.vntImagePathEx = part;
                return true;
            }
            const std::string bare = TrimRight(part);
            return tryFile(bare) || tryFile(bare + ".exe") || tryFile(bare + ".sys") || tryFile(bare + ".dll");
        });
    };

    // 4: shorten from the right.
    if (!found) shorten(path);

    // 5: a leading single backslash: its first component is a variable (\SystemRoot\...).
    if (!found && path.size() > 1 && path[0] == '\\' && path[1] != '\\') {
        size_t next = path.find('\\', 1);
        const std::string component = path.substr(1, next == std::string::npos ? std::string::npos : next - 1);
        std::string value = EnvironmentValue(component);
        if (value.empty()) value = QV_InfoLocal_Lib::GetEnvironmentValue(component);
        if (value.empty()) value = QV_InfoLocal_Lib::GetEnvironmentValue("windir");
        const std::string result = QV_Strings_Lib::ReplaceAll(path, "\\" + component, value);
        folderOf(result);
        tryFile(result);
    }

    // 6: a relative path: its first component as a variable, then below the system root.
    if (!found && !path.empty() && path[0] != '\\' && (path.size() < 2 || path[1] != '\\')) {
        const std::string component = path.substr(0, path.find('\\'));
        if (!component.empty()) {
            const std::string result = QV_Strings_Lib::ReplaceAll(path, component, EnvironmentValue(component));
            folderOf(result);
            tryFile(result);
        }
        if (!found) {
            // Below the system root; a path without a drive also with arguments after the
            // program (system32\svchost.exe -k Group, as systems store it).
            const std::string result = EnvironmentValue("systemroot") + "\\" + path;
            folderOf(result);
            if (!tryFile(result) && path.find(':') == std::string::npos) shorten(result);
        }
    }
    return found;
}

std::string SD_NodeText(const clsSD& rec, const std::string& selectedBy, bool detailed) {
    char* end = nullptr;
    const std::string choice = QV_Strings_Lib::ReplaceAll(selectedBy, " ", "");
    long n = std::strtol(choice.c_str(), &end, 10);
    if (choice.empty() || *end != '\0') n = -1;
    switch (n) {
        case 0:
            return detailed ? rec.vntDisplayName + ",   Description:" + rec.vntDescription : rec.vntDisplayName;
        case 1:
            return detailed ? rec.vntDescription + ",   Display name:" + rec.vntDisplayName : rec.vntDescription;
        case 2:
            return detailed ? rec.vntRegKey + ",   Display name:" + rec.vntDisplayName + ",   Description: " +
                                  rec.vntDescription
                            : rec.vntRegKey;
        case 3:
            return detailed ? rec.vntImagePathEx + ",  Display name:" + rec.vntDisplayName + ", Registry key:  " +
                                  rec.vntRegKey
                            : rec.vntImagePathEx;
        default:
            return rec.vntDisplayName + ",   Description:" + rec.vntDescription;
    }
}

bool SD_FillList(colSD& col, ui::TreeView& tree, const std::string& selectedBy, bool detailed,
                 ui::StatusBar& statusBar, const bool& cancel) {
    col.Clear();
    // The system's own view of the key (the services of a 64-bit system also in a 32-bit program).
    constexpr DWORD kAccess = KEY_READ_ONLY | KEY_WOW64_64KEY;
    RegKey services;
    if (OpenKey(HKEY_LOCAL_MACHINE, ServicesKey, services.Receive(), 0, kAccess) != 0) {
        ui::MsgBox("Cannot find relevant registry entries !\r\nAction canceled.", ui::vbCritical);
        return false;
    }
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyA(services.get(), nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != 0)
        return false;
    RegEnum::Reader reader;
    reader.Prepare({.subKeys = count, .longestSubKey = maxName, .values = 0, .longestValueName = 0}, false);
    FileLookup::FolderListingCache listings;
    // The nodes are added with the tree's painting off; it repaints once at the end.
    ui::RedrawOff quiet(tree);
    ui::DoEventsNow();
    for (DWORD index = 0; index < count; ++index) {
        if (cancel) break;
        std::string name;
        const long rc = reader.SubKeyAt(services.get(), index, name);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) continue;  // an unreadable name is passed over; the next one is read
        if (col.Exists(name)) continue;

        auto rec = col.Add(name, name);
        rec->vntRegKey = name;
        if (ui::EventsDue()) {
            // The service in work is shown as the window answers, once per pump.
            statusBar.Panel(1).SetText("Processing '" + name + "'");
            ui::DoEventsNow();
            if (cancel) break;
        }

        RegKey key;
        if (RegOpenKeyExA(services.get(), name.c_str(), 0, kAccess, &key.Receive()) != 0) continue;
        if (!ReadText(key.get(), "DisplayName", rec->vntDisplayName)) rec->vntDisplayName = name;
        if (!ReadText(key.get(), "Description", rec->vntDescription)) rec->vntDescription = kNotDefined;
        std::string type;
        ReadText(key.get(), "Type", type, REG_DWORD);
        const char* kind = (type == "1" || type == "2") ? "Device" : "Service";
        std::string image;
        if (!ReadText(key.get(), "ImagePath", image)) {
            rec->vntImagePath = kNotDefined;
            rec->blnFileExist = false;
        } else {
            rec->vntImagePath = image;
            if (image.find('"') != std::string::npos) {
                if (image.front() == '"') image.erase(0, 1);
                if (!image.empty() && image.back() == '"') image.pop_back();
            }
            rec->vntImagePathEx = image;
            if (SD_ResolveImagePath(*rec, image)) ui::DoEventsWhenDue();
        }
        key.Close();

        const bool strike = rec->vntImagePath != kNotDefined && !rec->vntImagePath.empty() && !rec->blnFileExist;
        const char* picture = strike ? "Strike" : kind;
        tree.Nodes.Add("", ui::tvwLast, name, SD_NodeText(*rec, selectedBy, detailed), picture, picture);
    }
    return true;
}

}  // namespace Tab_SD
