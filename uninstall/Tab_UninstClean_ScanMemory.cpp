#include <windows.h>

#include <unordered_map>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "image/QV_IconsAndResources.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace Tab_UninstClean::detail {
namespace {

struct Remembered {
    std::unordered_map<std::string, bool> icons;
    std::unordered_map<const void*, std::vector<std::string>> words;
};
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

const std::vector<std::string>& TargetWords(const void* target, std::vector<std::string> (*make)(const void*)) {
    thread_local std::vector<std::string> fresh;
    if (!scan) return fresh = make(target);
    auto it = scan->words.find(target);
    if (it == scan->words.end()) it = scan->words.emplace(target, make(target)).first;
    return it->second;
}

}  // namespace Tab_UninstClean::detail
