// One registered COM class as the components tab shows it: what the registry says about the
// class and where its server file was found. Plain storage; the scan fills it.
#pragma once
#include <string>

struct clsRegComp {
    std::string Key;                        // the collection key: the CLSID sub-key name as enumerated
    bool blnFileNotExistRealError = false;  // a server location is registered but no file was found for it
    std::string vntCalcDisplayName;         // display name (the ProgID)
    std::string vntCLSID_DefaultName;       // default value of CLSID\{clsid}
    std::string vntClassVersion;            // default value of CLSID\{clsid}\Version
    std::string vntTypeLibName;             // the type library's title
    std::string vntFileLocationEx;          // the server file as found on disk, else the registered text
    std::string vntClassID;                 // the CLSID text, as Key
    std::string vntProgID;                  // default value of CLSID\{clsid}\ProgID
    std::string vntAppID;                   // value "AppID" of CLSID\{clsid}
    std::string vntTypeLib;                 // default value of CLSID\{clsid}\TypeLib: the library's GUID
    bool blnFileExist = false;              // the server file was found
    std::string vntFileLocation;            // registered server text without enclosing quotes, or "Not defined."
    bool blnIsControl = false;              // a Control sub-key, or an in-process server ending in ".OCX"
    bool blnIsLocalServer32 = false;        // served by a LocalServer32 program
    bool blnIsInprocServer32 = false;       // an InProcServer32 server not ending in ".OCX"
};
