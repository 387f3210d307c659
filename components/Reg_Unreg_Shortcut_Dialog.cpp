#include <windows.h>

#include "components/Reg_Unreg_Shortcut_Dialog.h"

#include <fstream>

#include "base/Handle.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "res/resource.h"

namespace {
constexpr char kModule[] = "Reg_Unreg_Shortcut_Dialog";
}  // namespace

using namespace QV_Registry_Lib;

namespace {

const char kLabel[] =
    "Velmora may apply entries to  the Explorer-context  menu, providing     the    ability    to    Register/Unregister     Active-x Components  (.DLL/.OCX)  using  only  the  right  mouse click within the Windows Explorer.                                                 Create this entries now?";

const char kScriptName[] = "ocxdllreg.reg";
const char* const kVerbs[][3] = {{"VelmRegister", "Register with VelmRegSvr", "-R"},
                                 {"VelmUnregister", "Unregister with VelmRegSvr", "-U"}};
const char* const kExtensions[] = {".dll", ".ocx"};
constexpr DWORD kRegeditWaitMs = 30000;

// A text as a quoted .reg string.
std::string RegString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string RunningProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    size_t slash = folder.rfind('\\');
    return slash == std::string::npos ? folder : folder.substr(0, slash);
}

}  // namespace

Reg_Unreg_Shortcut_Dialog::Reg_Unreg_Shortcut_Dialog()
    : Form("Reg_Unreg_Shortcut_Dialog", {.caption = "Register/Unregister conext menu shortcut",
                                         .width = 6780,
                                         .height = 4980,
                                         .border = 3,
                                         .minButton = false,
                                         .maxButton = false,
                                         .showInTaskbar = false,
                                         .centered = true}) {}

void Reg_Unreg_Shortcut_Dialog::Form_Load() {
    // The illustration: a component file's Explorer context menu with the two commands.
    Picture1.Create(*this, 120, 120, 6390, 2580);
    Picture1.SetPictureFromResource(IDB_EXPLORER_MENU);
    Label1.Create(*this, 120, 2820, 6390, 1000, kLabel);
    Command14.Create(*this, 3000, 3960, 1700, 400, "&Create entries", true);
    Command1.Create(*this, 4810, 3960, 1700, 400, "&Cancel", false, true);
    Command1.Click = [this] { Unload(); };
    Command14.Click = [this] {
        CreateEntries();
        Unload();
    };
}

std::string Reg_Unreg_Shortcut_Dialog::FileTypeOf(const std::string& extension, bool& missing) {
    RegKey key;
    std::string type;
    if (OpenKey(HKEY_CLASSES_ROOT, extension, key.Receive(), 0, KEY_READ_ONLY) == 0) {
        long t = REG_SZ;
        QueryValue(key.get(), "", type, t, 0);
    }
    missing = type.empty();
    return missing ? extension.substr(1) + "file" : type;
}

std::string Reg_Unreg_Shortcut_Dialog::ScriptText(const std::string& regSvrPath) {
    std::string text = "REGEDIT4\r\n";
    for (const char* ext : kExtensions) {
        bool missing = false;
        const std::string type = FileTypeOf(ext, missing);
        if (missing) text += "\r\n[HKEY_CLASSES_ROOT\\" + std::string(ext) + "]\r\n@=" + RegString(type) + "\r\n";
        for (const auto& verb : kVerbs) {
            const std::string key = "HKEY_CLASSES_ROOT\\" + type + "\\shell\\" + verb[0];
            text += "\r\n[" + key + "]\r\n@=" + RegString(verb[1]) + "\r\n";
            text += "\r\n[" + key + "\\command]\r\n@=" +
                    RegString("\"" + regSvrPath + "\" " + verb[2] + " %1") + "\r\n";
        }
    }
    return text;
}

bool Reg_Unreg_Shortcut_Dialog::CreateEntries() {
    bool ok = false;
    TrapErrors(kModule, "Command14_Click", [&] {
        std::string folder = ProgramFolder.empty() ? RunningProgramFolder() : ProgramFolder;
        QV_APIFileAndDisk::StripTrailingBackslash(folder);
        const std::string script = folder + "\\" + kScriptName;
        {
            std::ofstream out(script, std::ios::binary | std::ios::trunc);
            out << ScriptText(folder + "\\VelmRegSvr.exe");
        }
        if (!QV_APIFileAndDisk::FileExists(script)) return;

        unsigned long pid = ui::StartProgram("Regedit /s \"" + script + "\"", SW_SHOWMINIMIZED, false);
        if (pid == 0) return;
        if (const Handle process{OpenProcess(SYNCHRONIZE, FALSE, pid)})
            WaitForSingleObject(process.get(), kRegeditWaitMs);
        // Regedit's silent import reports nothing: the entries themselves are the answer.
        ok = true;
        for (const char* ext : kExtensions) {
            bool missing = false;
            const std::string type = FileTypeOf(ext, missing);
            for (const auto& verb : kVerbs) {
                RegKey command;
                if (missing || OpenKey(HKEY_CLASSES_ROOT, type + "\\shell\\" + verb[0] + "\\command",
                                       command.Receive(), 0, KEY_READ_ONLY) != 0)
                    ok = false;
            }
        }
    });
    if (ok) ui::MsgBox("Entries successfully created.", ui::vbOKOnly);
    else ui::MsgBox("Error creating entries !", ui::vbCritical);
    return ok;
}
