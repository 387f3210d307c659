// Reading one registered class from HKEY_CLASSES_ROOT\CLSID into a component record:
// ProgID, name, server, control flag, type library, AppID, version, and the server file.
#include <windows.h>

#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

// Reads the named value of parent\sub (sub "" = parent itself) as a string; true when read.
// With `textOnly` only string data counts (REG_SZ, REG_EXPAND_SZ): data of another type names
// no file and no key, and reads as not there.
bool ReadText(HKEY parent, const std::string& sub, const std::string& name, std::string& out, bool textOnly = false) {
    RegKey key;
    if (!sub.empty() && OpenKey(parent, sub, key.Receive(), 0, KEY_READ_ONLY) != 0) return false;
    std::string data;
    long type = REG_SZ;
    if (QueryValue(sub.empty() ? parent : key.get(), name, data, type, 0) != "0") return false;
    if (textOnly && type != REG_SZ && type != REG_EXPAND_SZ) return false;
    out = data;
    return true;
}

bool KeyOpens(HKEY parent, const std::string& sub) {
    RegKey key;
    return OpenKey(parent, sub, key.Receive(), 0, KEY_READ_ONLY) == 0;
}

bool EndsWithOcx(const std::string& s) { return TextCase::EndsWith(s, ".OCX"); }

// The name of the last sub-key that an enumeration of `h` gives ("" when there is none),
// asked for by its index rather than by walking the whole list.
std::string LastSubKey(HKEY h) {
    DWORD count = 0;
    if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != 0)
        return {};
    std::string name;
    // An unreadable name (one too long for the buffer) gives way to the one before it.
    for (long i = static_cast<long>(count) - 1; i >= 0; --i) {
        long noMore = 0;
        if (EnumKey(h, i, name, noMore, 0) == 0 && !noMore) return name;
    }
    return {};
}

// The title of a library and the file of its last-enumerated version.
TypeLibFacts ReadTypeLibFacts(const std::string& lib) {
    TypeLibFacts facts;
    RegKey hLib;
    if (OpenKey(HKEY_CLASSES_ROOT, "TypeLib\\" + lib, hLib.Receive(), 0, KEY_READ_ONLY) != 0) return facts;
    // The version is the last sub-key the enumeration gives.
    const std::string ver = LastSubKey(hLib.get());
    if (!ver.empty()) {
        ReadText(hLib.get(), ver, "", facts.title);
        if (!ReadText(hLib.get(), ver + "\\0\\win32", "", facts.file, true) || facts.file.empty()) {
            facts.file.clear();
#ifdef _WIN64
            // A 64-bit system may register the library for win64 only.
            ReadText(hLib.get(), ver + "\\0\\win64", "", facts.file, true);
#endif
        }
    }
    return facts;
}

// The type library's title and, when the class registered no server, its file.
void ReadTypeLib(clsRegComp& rec, HKEY hTypeLib) {
    std::string lib;
    // An empty reference names no library ("TypeLib\" would open HKCR\TypeLib itself).
    if (!ReadText(hTypeLib, "", "", lib, true) || lib.empty()) return;
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

// Reads the server text of the class's server sub-key; false when the sub-key does not open
// (missing, or locked: the next kind of server is looked at then). A sub-key whose default value
// is no text still makes the class a server of that kind, with an empty server text.
bool ReadServerKey(HKEY hClass, const char* subkey, std::string& file) {
    RegKey key;
    if (OpenKey(hClass, subkey, key.Receive(), 0, KEY_READ_ONLY) != 0) return false;
    file.clear();
    ReadText(key.get(), "", "", file, true);
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
    RegKey typeLib;
    if (OpenKey(hClass, "TypeLib", typeLib.Receive(), 0, KEY_READ_ONLY) != 0) {
        if (rec.vntFileLocation.empty() && !rec.vntProgID.empty()) {
            std::string server;
            if (ReadText(HKEY_CLASSES_ROOT, rec.vntProgID + "\\protocol\\StdFileEditing\\server", "", server, true))
                rec.vntFileLocation = server;
        }
        return;
    }
    ReadTypeLib(rec, typeLib.get());
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
    const HKEY parent = hClsidKey ? hClsidKey : HKEY_CLASSES_ROOT;
    const std::string classPath = (hClsidKey ? std::string() : std::string("CLSID\\")) + clsid;

    // The ProgID first, opened straight from the CLSID key: most classes have none, keep only
    // their key fields and are not shown, and cost this one open.
    std::string progId;
    if (!ReadText(parent, classPath + "\\ProgID", "", progId) || progId.empty()) return rec;
    RegKey hClass;
    // A class key that cannot be read gives the same record as one without a ProgID.
    if (OpenKey(parent, classPath, hClass.Receive(), 0, KEY_READ_ONLY) != 0) return rec;
    rec->vntProgID = progId;

    std::string text;
    if (ReadText(hClass.get(), "", "", text)) rec->vntCLSID_DefaultName = text;
    ReadServer(*rec, hClass.get());
    ResolveFile(*rec);
    if (ReadText(hClass.get(), "", "AppID", text, true)) rec->vntAppID = text;
    if (ReadText(hClass.get(), "Version", "", text)) rec->vntClassVersion = text;
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
