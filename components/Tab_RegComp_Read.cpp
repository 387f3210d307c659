// Reading one registered class from HKEY_CLASSES_ROOT\CLSID into a component record:
// ProgID, name, server, control flag, type library, AppID, version, and the server file.
#include <windows.h>

#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Registry_Lib.h"
#include "base/TextCase.h"
#include "components/KeyCloser.h"
#include "components/Tab_RegComp.h"

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

// Reads the named value of parent\sub (sub "" = parent itself) as a string; true when read.
bool ReadText(HKEY parent, const std::string& sub, const std::string& name, std::string& out) {
    HKEY h = parent;
    if (!sub.empty() && OpenKey(parent, sub, h, 0, KEY_READ_ONLY) != 0) return false;
    std::string data;
    long type = REG_SZ;
    bool ok = QueryValue(h, name, data, type, 0) == "0";
    if (!sub.empty()) CloseKey(h, 0);
    if (ok) out = data;
    return ok;
}

bool KeyOpens(HKEY parent, const std::string& sub) {
    HKEY h = nullptr;
    if (OpenKey(parent, sub, h, 0, KEY_READ_ONLY) != 0) return false;
    CloseKey(h, 0);
    return true;
}

bool EndsWithOcx(const std::string& s) { return TextCase::EndsWith(s, ".OCX"); }

// The title of a library and the file of its last-enumerated version.
TypeLibFacts ReadTypeLibFacts(const std::string& lib) {
    TypeLibFacts facts;
    HKEY hLib = nullptr;
    if (OpenKey(HKEY_CLASSES_ROOT, "TypeLib\\" + lib, hLib, 0, KEY_READ_ONLY) != 0) return facts;
    // The version is the last sub-key the enumeration gives.
    std::string ver, name;
    long noMore = 0;
    for (long i = 0; EnumKey(hLib, i, name, noMore, 0) == 0 && !noMore; ++i) ver = name;
    if (!ver.empty()) {
        ReadText(hLib, ver, "", facts.title);
        if (!ReadText(hLib, ver + "\\0\\win32", "", facts.file) || facts.file.empty()) {
            facts.file.clear();
#ifdef _WIN64
            // A 64-bit system may register the library for win64 only.
            ReadText(hLib, ver + "\\0\\win64", "", facts.file);
#endif
        }
    }
    CloseKey(hLib, 0);
    return facts;
}

// The type library's title and, when the class registered no server, its file.
void ReadTypeLib(clsRegComp& rec, HKEY hTypeLib) {
    std::string lib;
    long type = REG_SZ;
    if (QueryValue(hTypeLib, "", lib, type, 0) != "0") return;
    // An empty reference names no library ("TypeLib\" would open HKCR\TypeLib itself).
    if (lib.empty()) return;
    rec.vntTypeLib = lib;
    // Many classes share one library: it is read once per scan.
    TypeLibFacts facts;
    if (const TypeLibFacts* cached = CachedTypeLib(lib)) {
        facts = *cached;
    } else {
        facts = ReadTypeLibFacts(lib);
        CacheTypeLib(lib, facts);
    }
    if (!facts.title.empty()) rec.vntTypeLibName = facts.title;
    if (rec.vntFileLocation.empty() && !facts.file.empty()) rec.vntFileLocation = facts.file;
}

// Reads the default value of the class's server subkey; false when the subkey does not open.
bool ReadServerKey(HKEY hClass, const char* subkey, std::string& file) {
    HKEY h = nullptr;
    if (OpenKey(hClass, subkey, h, 0, KEY_READ_ONLY) != 0) return false;
    long type = REG_SZ;
    QueryValue(h, "", file, type, 0);
    CloseKey(h, 0);
    return true;
}

void ReadServer(clsRegComp& rec, HKEY hClass) {
    std::string file;
    if (ReadServerKey(hClass, "InProcServer32", file)) {
        rec.vntFileLocation = rec.vntFileLocationEx = file;
        if (KeyOpens(hClass, "Control")) rec.blnIsControl = true;
        if (EndsWithOcx(rec.vntFileLocation)) rec.blnIsControl = true;
        else rec.blnIsInprocServer32 = true;
        return;
    }
    if (ReadServerKey(hClass, "LocalServer32", file)) {
        rec.vntFileLocation = rec.vntFileLocationEx = file;
        rec.blnIsLocalServer32 = true;
    }
    HKEY h = nullptr;
    if (OpenKey(hClass, "TypeLib", h, 0, KEY_READ_ONLY) != 0) {
        if (rec.vntFileLocation.empty() && !rec.vntProgID.empty()) {
            std::string file;
            if (ReadText(HKEY_CLASSES_ROOT, rec.vntProgID + "\\protocol\\StdFileEditing\\server", "", file))
                rec.vntFileLocation = file;
        }
        return;
    }
    ReadTypeLib(rec, h);
    CloseKey(h, 0);
}

// Finds the server file on disk and sets the existence flags.
void ResolveFile(clsRegComp& rec) {
    std::string& loc = rec.vntFileLocation;
    if (loc.find('"') != std::string::npos) {
        if (!loc.empty() && loc.front() == '"') loc.erase(0, 1);
        if (!loc.empty() && loc.back() == '"') loc.pop_back();
    }
    if (ServerFileExists(loc)) {
        rec.vntFileLocationEx = loc.find('~') != std::string::npos ? LongName(loc) : loc;
        rec.blnFileExist = true;
    } else if (FindServerFile(rec, loc)) {
        if (rec.vntFileLocationEx.find('~') != std::string::npos) rec.vntFileLocationEx = LongName(rec.vntFileLocationEx);
        rec.blnFileExist = true;
    } else if (loc.empty()) {
        loc = "Not defined.";
    } else {
        rec.blnFileNotExistRealError = true;
    }
}

}  // namespace

std::string LongName(const std::string& path) {
    std::string longName = QV_APIFileAndDiskINFO::GetLongFileName(path);
    return longName.empty() ? path : longName;
}

std::shared_ptr<clsRegComp> ReadRegCompRecord(colRegComp& col, const std::string& clsid, HKEY hClsidKey) {
    auto rec = col.Add(clsid, clsid);  // a class already held raises 457: it is not read again
    HKEY hClass = nullptr;
    long rc = hClsidKey ? OpenKey(hClsidKey, clsid, hClass, 0, KEY_READ_ONLY)
                        : OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + clsid, hClass, 0, KEY_READ_ONLY);
    if (rc != 0) return rec;
    KeyCloser closer{hClass};

    std::string text;
    if (ReadText(hClass, "ProgID", "", text)) rec->vntProgID = text;
    // Classes without a ProgID keep only their key fields and are not shown.
    if (rec->vntProgID.empty()) return rec;
    if (ReadText(hClass, "", "", text)) rec->vntCLSID_DefaultName = text;
    ReadServer(*rec, hClass);
    ResolveFile(*rec);
    if (ReadText(hClass, "", "AppID", text)) rec->vntAppID = text;
    if (ReadText(hClass, "Version", "", text)) rec->vntClassVersion = text;
    else rec->vntClassVersion.clear();
    rec->vntCalcDisplayName = rec->vntProgID;
    return rec;
}

std::string RegCompNodeText(const clsRegComp& rec, long selectedBy, bool detailed) {
    const std::string tl = rec.vntTypeLibName.empty() ? "Not defined." : rec.vntTypeLibName;
    const std::string& d = rec.vntCalcDisplayName;
    const std::string& l = rec.vntFileLocationEx;
    const std::string& c = rec.vntClassID;
    switch (selectedBy) {
        case 0: return detailed ? d + ",TypeLib:" + tl + " - " + l : d;
        case 1: return detailed ? c + " - " + d + " - " + l : c;
        case 2: return detailed ? l + " - " + d + ",TypeLib:" + tl : l;
        case 3: return detailed ? tl + " - " + d + " - " + l : tl;
        default: return d;
    }
}

std::string RegCompCategory(const clsRegComp& rec) {
    if (rec.blnIsControl) return "Control";
    if (rec.blnIsInprocServer32) return "DLLServer";
    return "EXEServer";
}

}  // namespace Tab_RegComp
