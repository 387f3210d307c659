// The shared rules and edits of the registry tabs.
#include "registry/RegistryTab.h"

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/TextCase.h"
#include "registry/RegistryNodes.h"

namespace RegistryTab {
namespace {

// The error report's procedure name of one of a tab's edits ("CMH_" & "NewKey").
std::string Procedure(const RegistryTabRules& rules, const char* edit) { return std::string(rules.prefix) + edit; }

}  // namespace

bool IsSharedTree(const std::string& name) {
    for (const char* shared : {"CLSID", "TypeLib", "AppID", "Interface"})
        if (TextCase::Equal(name, shared)) return true;
    return false;
}

bool DeletableName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos && !IsSharedTree(name);
}

long DeleteTree(HKEY hive, std::string path) {
    if (!RegistryNodes::IsKeyPath(path)) return ERROR_INVALID_PARAMETER;
    return QV_Registry_Lib::DeleteKeyTree(hive, path, 0);
}

void NewKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node, const std::string& name) {
    TrapErrors(rules.module, Procedure(rules, "NewKey").c_str(), [&] {
        std::string path;
        if (rules.ownPath(node, rules.keyLevel, path)) RegistryNodes::NewKey(tree, rules.hive, path, node, name);
    });
}

long DeleteKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node) {
    long result = ERROR_INVALID_PARAMETER;
    TrapErrors(rules.module, Procedure(rules, "DeleteKey").c_str(), [&] {
        std::string path;
        if (rules.ownPath(node, rules.keyLevel, path))
            result = RegistryNodes::DeleteKey(tree, rules.hive, path, node);
    });
    return result;
}

void NewValue(const RegistryTabRules& rules, ui::Node& node, const std::string& name, const std::string& data) {
    TrapErrors(rules.module, Procedure(rules, "NewValue").c_str(), [&] {
        std::string path;
        if (rules.ownPath(node, rules.keyLevel, path)) RegistryNodes::NewTextValue(rules.hive, path, name, data);
    });
}

void DeleteValue(const RegistryTabRules& rules, ui::Node& node, const std::string& name) {
    TrapErrors(rules.module, Procedure(rules, "DeleteValue").c_str(), [&] {
        std::string path;
        if (rules.ownPath(node, rules.keyLevel, path)) RegistryNodes::DeleteValue(rules.hive, path, name);
    });
}

long RenameKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node, const std::string& newName) {
    long result = 1;
    TrapErrors(rules.module, Procedure(rules, "RenameKey").c_str(), [&] {
        std::string path;
        if (rules.ownPath(node, rules.renameLevel, path) &&
            RegistryNodes::RenameKey(tree, rules.hive, path, node, newName))
            result = 0;
    });
    return result;
}

}  // namespace RegistryTab
