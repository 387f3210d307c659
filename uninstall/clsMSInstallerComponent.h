// The candidate paths of one application-folder determination: installer components (keyed
// by component code) and other candidate files (keyed by their path).
#pragma once
#include <string>

#include "base/KeyedCollection.h"

struct clsMSInstallerComponent {
    std::string Key;            // a component code, or the candidate path itself
    std::string strClientPath;  // the candidate file path
};

class colMSInstallerComponent : public KeyedCollection<clsMSInstallerComponent> {
public:
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        auto rec = std::make_shared<clsMSInstallerComponent>();
        rec->Key = key;
        return KeyedCollection<clsMSInstallerComponent>::Add(rec, sKey.empty() ? key : sKey);
    }
};
