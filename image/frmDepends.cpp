#include "image/frmDepends.h"

#include <commctrl.h>

#include <vector>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Clipboard.h"
#include "base/QV_Err.h"
#include "base/QV_Strings_Lib.h"
#include "base/TextCase.h"
#include "ui/DetailsRows.h"
#include "image/clsPeInfo.h"
#include "base/Seams.h"
#include "res/resource.h"

namespace {
constexpr char kModule[] = "frmDepends";
}  // namespace

namespace {

const char* const kCaption = "Velm Depends";
const char* const kNotFound = "- NOT FOUND/COULD NOT OPEN";

// The window's menu items that code reaches by name (BuildMenus makes them).
constexpr char kFileMenu[] = "MNU_File";
constexpr char kFileOpen[] = "MNU_File_open";
constexpr char kFileExit[] = "MNU_File_exit";
constexpr char kClipboardMenu[] = "mnu_Depends_Clipboard";
constexpr char kClipboardCopy[] = "Depends_Clipboard_copy";

}  // namespace

// Dropping files on the tree: the drag shows the no-drop effect for an existing file that is no
// DLL, EXE, OCX or SYS file (anything else keeps the effect offered), and the drop opens an
// existing file of those four kinds.
class frmDepends::DropTarget final : public IDropTarget {
public:
    explicit DropTarget(frmDepends* form) : form_(form) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        refused_ = Refuses(data);
        if (refused_) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        if (refused_) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        refused_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        std::string path;
        if (form_ && Opens(data, path)) {
            TrapErrors(kModule, "tvwModules_OLEDragDrop", [&] { form_->DropFiles({path}); });
        } else {
            *effect = DROPEFFECT_NONE;
        }
        refused_ = false;
        return S_OK;
    }
    void Detach() { form_ = nullptr; }

private:
    // The first file the data holds ("" when it holds none).
    static std::string FirstFile(IDataObject* data) {
        std::string path;
        if (!data) return path;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (FAILED(data->GetData(&format, &medium))) return path;
        if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
            char first[MAX_PATH] = "";
            if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0 && DragQueryFileA(drop, 0, first, MAX_PATH) > 0)
                path = first;
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
        return path;
    }
    // The drag is refused only for an existing file of another kind.
    static bool Refuses(IDataObject* data) {
        const std::string path = FirstFile(data);
        return !path.empty() && QV_APIFileAndDisk::FileExists(path) && !IsImageFileName(path);
    }
    // True when the data holds files and the first is an existing image file.
    static bool Opens(IDataObject* data, std::string& path) {
        path = FirstFile(data);
        return !path.empty() && QV_APIFileAndDisk::FileExists(path) && IsImageFileName(path);
    }
    LONG refs_ = 1;
    frmDepends* form_;
    bool refused_ = false;
};

bool IsImageFileName(const std::string& name) {
    for (const char* ext : {"DLL", "EXE", "OCX", "SYS"})
        if (TextCase::EndsWith(name, ext)) return true;
    return false;
}

frmDepends::frmDepends(bool standAlone)
    : Form("frmDepends", {.caption = kCaption, .width = 12000, .height = 8400, .centered = standAlone}),
      standAlone_(standAlone) {}

frmDepends::~frmDepends() {
    if (IsLoaded()) Unload();
}

void frmDepends::BuildImages() {
    if (imlDepends.Count() > 0) return;
    // The pictures are icon resources of the program (res/DependsPictures.rc).
    const struct { const char* key; int id; } images[] = {
        {"", IDI_DEP_BLANK}, {"In", IDI_DEP_IN},       {"Info", IDI_DEP_INFO}, {"STRIKE", IDI_DEP_STRIKE},
        {"Out", IDI_DEP_OUT}, {"DLL_", IDI_DEP_DLLGREY}, {"DLL", IDI_DEP_DLL},
    };
    for (const auto& image : images) imlDepends.AddFromResource(image.key, nullptr, image.id);
}

void frmDepends::BuildMenus() {
    if (Menus.Find(kFileMenu)) return;
    auto& file = Menus.Add(kFileMenu, "File");
    file.Add(kFileOpen, "Open\tCtrl+O").Click = [this] { FileOpen(); };
    file.Add("MNU_File_open_", "-");
    file.Add(kFileExit, "Exit\tCtrl+E").Click = [this] {
        // The stand-alone viewer ends; the main program's window has no File menu to act on.
        if (standAlone_) Unload();
    };
    auto& popup = Menus.Add(kClipboardMenu, "Depends_Clipboard");
    popup.Add(kClipboardCopy, "Copy to clipboard\tCtrl+C").Click = [this] {
        TrapErrors(kModule, "Depends_Clipboard_copy_Click", [this] {
            QV_Clipboard::ClearClipboard();
            QV_Clipboard::SetClipboardText(strCopyText);
        });
    };
    popup.SetVisible(false);
    file.SetVisible(standAlone_);
}

void frmDepends::Form_Load() {
    BuildImages();
    BuildMenus();
    SetCaption(kCaption);

    tvwModules.Create(*this, 0, 0, 4000, 4000);
    tvwModules.SetImageList(&imlDepends);
    lstDep.Create(*this, 4000, 0, 4000, 2000);
    lstDep.SetIcons(&imlDepends);
    lstDep.SetSmallIcons(&imlDepends);
    lstDep.ColumnHeaders.Add("All Modules", 3000);
    lstFileVer.Create(*this, 4000, 2000, 4000, 2000);
    lstFileVer.SetIcons(&imlDepends);
    lstFileVer.SetSmallIcons(&imlDepends);
    lstFileVer.ColumnHeaders.Add("Name", 2000);
    lstFileVer.ColumnHeaders.Add("Value", 3600);
    stb1.Create(*this);
    stb1.AddPanel("", 0);

    tvwModules.NodeClick = [this](ui::Node& node) {
        TrapErrors(kModule, "tvwModules_NodeClick", [&] { lstFileVerShow(node.Text(), node.Key()); });
    };
    lstDep.ItemClick = [this](ui::ListItem& item) {
        TrapErrors(kModule, "lstDep_ItemClick", [&] { lstFileVerShow(item.Text(), item.Text()); });
    };
    tvwModules.MouseUp = [this](int button, int, long, long) { ControlMouseUp(tvwModules, button); };
    lstDep.MouseUp = [this](int button, int, long, long) { ControlMouseUp(lstDep, button); };
    lstFileVer.MouseUp = [this](int button, int, long, long) { ControlMouseUp(lstFileVer, button); };
    tvwModules.KeyDown = [this](int key, int shift) { ControlKeyDown(key, shift); };
    lstDep.KeyDown = [this](int key, int shift) { ControlKeyDown(key, shift); };
    lstFileVer.KeyDown = [this](int key, int shift) { ControlKeyDown(key, shift); };
    tvwModules.FilesDropped = [this](const std::vector<std::string>& files) {
        TrapErrors(kModule, "tvwModules_OLEDragDrop", [&] { DropFiles(files); });
    };
    // An OLE drop target when this thread has OLE; else the shell's plain file drops.
    dropTarget_ = new DropTarget(this);
    if (FAILED(RegisterDragDrop(tvwModules.hWnd(), dropTarget_))) {
        dropTarget_->Release();
        dropTarget_ = nullptr;
        tvwModules.AcceptFiles(true);
    }

    if (standAlone_) {
        OpenCommandLine();
    } else if (ui::Form* main = ui::FindForm("Form_Main")) {
        // Beside the main window: its bottom-right corner, a little above its lower edge.
        SetLeft(main->Left() + main->Width() - Width());
        SetTop(main->Top() + main->Height() - Height() - 300);
    }
    Form_Resize();
}

void frmDepends::Form_Unload(int&) {
    if (dropTarget_) {
        RevokeDragDrop(tvwModules.hWnd());
        dropTarget_->Detach();
        dropTarget_->Release();
        dropTarget_ = nullptr;
    }
}

IDropTarget* frmDepends::TreeDropTarget() const { return dropTarget_; }

void frmDepends::Form_Resize() {
    if (!tvwModules.IsCreated()) return;
    const long tppY = ui::Screen::TwipsPerPixelY();
    RECT bar{};
    if (stb1.IsCreated()) GetWindowRect(stb1.hWnd(), &bar);
    const long barHeight = (bar.bottom - bar.top) * tppY;
    const long width = ScaleWidth();
    const long height = ScaleHeight() - barHeight;
    if (width <= 0 || height <= 0) return;
    const long left = width * 45 / 100;
    const long gap = 60;
    tvwModules.Move(0, 0, left, height);
    lstDep.Move(left + gap, 0, width - left - gap, height * 40 / 100);
    lstFileVer.Move(left + gap, height * 40 / 100 + gap, width - left - gap, height - height * 40 / 100 - gap);
    if (lstDep.ColumnHeaders.Count() > 0) lstDep.ColumnHeaders.Item(1).SetWidth(width - left - gap - 400);
}

void frmDepends::OpenCommandLine() {
    // The whole command line is one path. A file association passes it in double quotes; a
    // Windows file name cannot hold a quote, so one enclosing pair is taken off.
    std::string path = CommandLine;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    if (!QV_APIFileAndDisk::FileExists(path)) return;
    if (!IsImageFileName(path)) return;
    LoadTree(path, nullptr);
}

bool frmDepends::LoadTree(const std::string& FileName, const ui::NodePtr& ParentNode) {
    // The controls are filled with painting off and repainted once at the end.
    ui::RedrawOff quietTree(tvwModules);
    ui::RedrawOff quietList(lstDep);
    ui::RedrawOff quietFacts(lstFileVer);
    ui::NodePtr current = ParentNode;
    try {
        if (!ParentNode) {
            // Each top-level run starts from its own file; the modules of an earlier file that
            // stopped early are not looked for in that file's folder.
            strParentPath = FileName;
            filesRead_.clear();
            rootMachine_ = 0;
            tvwModules.Nodes.Clear();
            lstDep.ListItems.Clear();
            lstFileVer.ListItems.Clear();
            std::string name;
            QV_Strings_Lib::GetFileNameOf(FileName, name);
            SetCaption(std::string(kCaption) + " - " + name);
            if (!QV_APIFileAndDisk::FileExists(FileName)) return false;
            QV_Strings_Lib::GetDirectory(FileName, strRootFolder);
            current = tvwModules.Nodes.Add("", ui::tvwFirst, FileName, FileName, "DLL", "DLL");
        } else if (strParentPath.empty()) {
            strParentPath = FileName;
        }
    } catch (const RunTimeError& e) {
        QV_Err::HandleError(e.Number, e.Description, kModule, "LoadTree");
        if (!current) return false;
    }

    // Opens one module, imported by `importer`, and takes the names it imports. The module is
    // looked for under its name, in the importer's folder, then in the root file's folder.
    // Only one image is mapped at a time: it is released before its imports are visited. A
    // module that cannot be opened gets its node struck out.
    //
    // The module is found as the loader of its importer's machine finds it (a 32-bit module's
    // system libraries are SysWOW64's, a 64-bit one's the native System32's, whichever build
    // looks), and the file read is remembered under the node's key for its facts.
    auto open = [this](const std::string& file, const std::string& importer, uint16_t importerMachine,
                       const ui::NodePtr& node, std::vector<std::string>& names, uint16_t& machine) {
        strParentPath = importer;
        std::string folder1 = strRootFolder;
        const size_t slash = importer.rfind('\\');
        if (slash != std::string::npos && slash > 0) folder1 = importer.substr(0, slash);
        clsPeInfo pe;
        if (!pe.Load(file, folder1, strRootFolder, importerMachine)) {
            TrapErrors(kModule, "LoadTree", [&] {
                node->SetImage("STRIKE");
                node->SetSelectedImage("STRIKE");
                node->SetText(node->Text() + kNotFound);
            });
            return false;
        }
        long count = 0;
        pe.EnumerateImportedModules(names, count);
        machine = pe.Machine();
        TrapErrors(kModule, "LoadTree", [&] { filesRead_[node->Key()] = FileLookup::ReadPath(pe.ModuleName()); });
        return true;
    };

    // The modules whose imports are being expanded, the root first. The walk keeps its own
    // stack rather than recursing, so a chain of imports of any length needs no deeper machine
    // stack; it visits and lists modules in the same order a recursive walk would: a module is
    // expanded when first met, and its row follows the rows of the modules first found below it.
    struct Expanding {
        std::string file;
        ui::NodePtr node;
        std::vector<std::string> names;
        size_t next = 0;
        uint16_t machine = 0;
    };
    std::vector<Expanding> stack;
    stack.push_back({FileName, current, {}, 0, 0});
    if (!open(FileName, strParentPath, 0, current, stack.back().names, stack.back().machine)) return false;
    if (!ParentNode) rootMachine_ = stack.back().machine;

    while (!stack.empty()) {
        Expanding& top = stack.back();
        if (top.next == top.names.size()) {
            // All imports visited: sort them, and list the module (the root has no row).
            TrapErrors(kModule, "LoadTree", [&] { top.node->SetSorted(true); });
            strParentPath.clear();
            const std::string done = top.file;
            stack.pop_back();
            if (!stack.empty())
                TrapErrors(kModule, "LoadTree", [&] { lstDep.ListItems.Add(0, "", done, "DLL", "DLL"); });
            continue;
        }
        const std::string name = top.names[top.next++];
        const ui::NodePtr parent = top.node;
        const std::string importer = top.file;
        const uint16_t importerMachine = top.machine;
        ui::NodePtr node;
        try {
            node = tvwModules.Nodes.Add(parent, ui::tvwChild, TextCase::Upper(name), name, "DLL", "DLL");
        } catch (const RunTimeError& e) {
            if (e.Number != 35602) QV_Err::HandleError(e.Number, e.Description, kModule, "LoadTree");
        }
        if (!node) {
            // Already in the tree: a leaf without key, no row, no expansion. This ends cycles.
            // A module whose file could not be opened is marked so wherever it appears.
            TrapErrors(kModule, "LoadTree", [&] {
                const ui::NodePtr first = tvwModules.Nodes.Find(TextCase::Upper(name));
                const bool missing = first && first->Image().key == "STRIKE";
                const char* image = missing ? "STRIKE" : "DLL";
                tvwModules.Nodes.Add(parent, ui::tvwChild, "", missing ? name + kNotFound : name, image, image);
            });
            continue;
        }
        Expanding child{name, node, {}, 0, 0};
        if (!open(name, importer, importerMachine, node, child.names, child.machine)) {
            TrapErrors(kModule, "LoadTree", [&] { lstDep.ListItems.Add(0, "", name, "STRIKE", "STRIKE"); });
            continue;
        }
        stack.push_back(std::move(child));  // `top` is not used past this point
    }

    if (!ParentNode) {
        // The finished tree opens at its root's imports; the facts list stays empty until a
        // module is clicked.
        TrapErrors(kModule, "LoadTree", [&] { current->SetExpanded(true); });
    }
    return true;
}

bool frmDepends::FindSystemFile(const std::string& FileName, std::string& FilePath) {
    // PATH's first folder, then the system folders, then PATH's other folders: the system
    // folders are searched also when PATH names no folder at all. They are those of the root
    // file's machine.
    std::vector<std::string> folders = FileLookup::SearchFolders(FileLookup::WindowsFolders::SystemAfterFirst);
    for (std::string& folder : folders) folder = FileLookup::PathForMachine(folder, rootMachine_);
    return FileLookup::FindInFolders(folders, FileName, FilePath);
}

void frmDepends::lstFileVerShow(const std::string& FileName, const std::string& FilePath) {
    // The file this tree read for the module wins; for a module it did not read, the given path,
    // then the root file's folder, then the search path: the search is made only when neither
    // names an existing file (its answer would be overridden anyway). The location names the
    // file that is read where the program's two views of the system folder differ.
    std::string location;
    bool found = false;
    auto read = filesRead_.find(FilePath);
    if (read == filesRead_.end()) read = filesRead_.find(TextCase::Upper(FilePath));
    if (read != filesRead_.end() && QV_APIFileAndDisk::FileExists(read->second)) {
        location = read->second;
        found = true;
    } else if (QV_APIFileAndDisk::FileExists(FilePath)) {
        location = FilePath;
        found = true;
    } else if (QV_APIFileAndDisk::FileExists(strRootFolder + "\\" + FileName)) {
        location = strRootFolder + "\\" + FileName;
        found = true;
    } else {
        found = FindSystemFile(FileName, location);
    }
    location = FileLookup::ReadPath(location);
    ui::RedrawOff quiet(lstFileVer);
    lstFileVer.ListItems.Clear();
    DetailsRows::Style style;
    style.locationImage = "Info";
    style.fileNameRow = false;
    style.strikeImage = "STRIKE";
    style.strikeLargeIcon = true;
    DetailsRows::AddRow(lstFileVer, "File_Location", "File Location", "Info", location, true);
    DetailsRows::AddRow(lstFileVer, "File_Location_calculated", "File Location, calculated", "Info",
                        location.empty() ? std::string() : QV_APIFileAndDiskINFO::GetLongFileName(location), true);
    if (found)
        DetailsRows::AddFileFactRows(lstFileVer, location, style);
    else
        DetailsRows::AddMissingFileRow(lstFileVer, style);
}

bool frmDepends::DropFiles(const std::vector<std::string>& files) {
    if (files.empty()) return false;
    const std::string& first = files.front();
    if (!QV_APIFileAndDisk::FileExists(first) || !IsImageFileName(first)) return false;
    LoadTree(first, nullptr);
    return true;
}

bool frmDepends::TakeCopyText(ui::Control& control) {
    if (&control == &tvwModules) {
        if (ui::NodePtr node = tvwModules.SelectedItem()) {
            strCopyText = node->Text();
            return true;
        }
    } else if (&control == &lstDep || &control == &lstFileVer) {
        auto& list = static_cast<ui::ListView&>(control);
        if (ui::ListItemPtr item = list.SelectedItem()) {
            strCopyText = item->Text();
            return true;
        }
    }
    return false;
}

void frmDepends::ControlMouseUp(ui::Control& control, int button) {
    TrapErrors(kModule, "MouseUp", [&] {
        Menus[kClipboardMenu].SetEnabled(true);
        Menus[kClipboardCopy].SetEnabled(true);
        if (button != ui::vbRightButton) return;
        if (TakeCopyText(control)) PopupMenu(Menus[kClipboardMenu]);
    });
}

void frmDepends::ControlKeyDown(int keyCode, int shift) {
    if (!(shift & ui::vbCtrlMask)) return;
    if (keyCode == 'O' && standAlone_) {
        Menus[kFileOpen].DoClick();
    } else if (keyCode == 'E' && standAlone_) {
        ui::Defer([this] { Menus[kFileExit].DoClick(); });
    } else if (keyCode == 'C') {
        Menus[kClipboardCopy].DoClick();
    }
}

void frmDepends::FileOpen() {
    TrapErrors(kModule, "MNU_File_open_Click", [this] {
        ui::OpenFileRequest request;
        request.owner = hWnd();
        request.filter = "PEFiles|*.dll;*.exe;*.ocx";
        request.defaultExt = "dll";
        request.flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        const std::string path = ui::OpenFileDialog(request);
        if (path.empty()) return;  // cancelled
        LoadTree(path, nullptr);
    });
}
