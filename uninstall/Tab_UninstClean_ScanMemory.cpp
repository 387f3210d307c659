#include <windows.h>

#include <unordered_map>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "image/QV_IconsAndResources.h"
#include "platform/InstallerData.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace Tab_UninstClean::detail {
namespace {

struct Remembered {
    std::unordered_map<std::string, bool> icons;
    std::unordered_map<const void*, std::vector<std::string>> words;
    bool installerRead = false;
    std::unordered_map<std::string, std::vector<std::string>> components;  // by product code
};

// Every product's components, from one walk of the installer's components and their clients.
void ReadInstallerComponents(std::unordered_map<std::string, std::vector<std::string>>& byProduct) {
    WindowsInstaller::Installer installer;
    for (const auto& component : installer.Components())
        for (const auto& client : installer.ComponentClients(component)) {
            auto& list = byProduct[client];
            if (list.empty() || list.back() != component) list.push_back(component);
        }
}
Remembered* scan = nullptr;

}  // namespace

ScanMemory::ScanMemory() {
    delete scan;
    scan = new Remembered();
}

ScanMemory::~ScanMemory() {
    delete scan;
    scan = nullptr;
}

bool HasIcon(const std::string& path) {
    if (!scan) return QV_IconsAndResources::HasFileIcon(path);
    const std::string key = TextCase::Lower(path);
    auto it = scan->icons.find(key);
    if (it != scan->icons.end()) return it->second;
    bool has = QV_IconsAndResources::HasFileIcon(path);
    scan->icons.emplace(key, has);
    return has;
}

const std::vector<std::string>& InstallerComponentsOf(const std::string& productCode) {
    thread_local std::unordered_map<std::string, std::vector<std::string>> fresh;
    static const std::vector<std::string> none;
    auto* byProduct = &fresh;
    if (scan) {
        byProduct = &scan->components;
        if (!scan->installerRead) {
            ReadInstallerComponents(*byProduct);
            scan->installerRead = true;
        }
    } else {
        fresh.clear();
        ReadInstallerComponents(fresh);
    }
    auto it = byProduct->find(productCode);
    return it == byProduct->end() ? none : it->second;
}

const std::vector<std::string>& TargetWords(const void* target, std::vector<std::string> (*make)(const void*)) {
    thread_local std::vector<std::string> fresh;
    if (!scan) return fresh = make(target);
    auto it = scan->words.find(target);
    if (it == scan->words.end()) it = scan->words.emplace(target, make(target)).first;
    return it->second;
}

}  // namespace Tab_UninstClean::detail
