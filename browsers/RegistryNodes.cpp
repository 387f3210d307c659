#include "browsers/RegistryNodes.h"

#include <vector>

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Registry_Lib.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

namespace RegistryNodes {

std::string PathBelow(const std::string& nodeKey, int leading) {
    size_t pos = 0;
    for (int i = 0; i < leading; ++i) {
        size_t slash = nodeKey.find('\\', pos);
        if (slash == std::string::npos) return "";
        pos = slash + 1;
    }
    return nodeKey.substr(pos);
}

bool IsKeyPath(const std::string& path) {
    return !path.empty() && path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string::npos;
}

void AddSubKeyNodes(ui::TreeView& tree, HKEY h, const std::string& nodeKey) {
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != 0 ||
        count == 0)
        return;
    std::vector<char> buffer((maxName + 1) * 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        long rc = RegEnumKeyExA(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
            buffer.resize(2 * 256);
            len = static_cast<DWORD>(buffer.size());
            rc = RegEnumKeyExA(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) continue;
        const std::string name(buffer.data(), len);
        const std::string childKey = nodeKey + "\\" + name;
        if (!tree.Nodes.Exists(childKey)) tree.Nodes.Add(nodeKey, ui::tvwChild, childKey, name, "Folder", "FolderOpen");
        HKEY child = nullptr;
        if (RegOpenKeyExA(h, name.c_str(), 0, QV_Registry_Lib::KEY_READ_ONLY, &child) == 0) {
            AddSubKeyNodes(tree, child, childKey);
            RegCloseKey(child);
        }
    }
}

bool ExistingFile(std::string candidate, std::string& found) {
    size_t end = candidate.find_last_not_of(' ');
    candidate.erase(end == std::string::npos ? 0 : end + 1);
    if (!QV_APIFileAndDisk::FileExists(candidate)) return false;
    found = candidate;
    return true;
}

std::string Env(const std::string& name) {
    if (name.empty()) return "";
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
    if (n == 0) return "";
    if (n < sizeof buffer) return std::string(buffer, n);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name.c_str(), big.data(), n);
    big.resize(n);
    return big;
}

namespace {
ULONGLONG& LastPump() {
    static ULONGLONG last = 0;
    return last;
}
}  // namespace

void Pump() {
    const ULONGLONG now = GetTickCount64();
    if (now - LastPump() < 25) return;
    ui::DoEvents();
    LastPump() = GetTickCount64();
}

void PumpNow() {
    ui::DoEvents();
    LastPump() = GetTickCount64();
}

}  // namespace RegistryNodes
