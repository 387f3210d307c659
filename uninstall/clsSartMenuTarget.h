// The shortcuts found in the common Start menu, the user's Start menu and on the desktop,
// each with the file it points to; keyed by the shortcut file's full path.
#pragma once
#include <string>

#include "base/KeyedCollection.h"

struct clsSartMenuTarget {
    std::string Key;                // full path of the shortcut file; the collection key
    std::string FileProductName;    // nothing fills it; the name matcher reads it
    std::string FileDescription;    // nothing fills it; the name matcher reads it
    std::string strFilePathLow;     // the shortcut's path below its special folder, no leading backslash
    std::string strLinkName;        // the shortcut's file name without ".lnk"
    std::string strTargetFilePath;  // the file the shortcut points to
    std::string strFilePath;        // full path of the shortcut file (as Key)
};

class colStartMenuTargets : public KeyedCollection<clsSartMenuTarget> {
public:
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        auto rec = std::make_shared<clsSartMenuTarget>();
        rec->Key = key;
        return KeyedCollection<clsSartMenuTarget>::Add(rec, sKey.empty() ? key : sKey);
    }
};
