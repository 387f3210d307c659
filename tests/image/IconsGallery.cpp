// A window that shows icons of several system files drawn through the image-list icon routines:
// an uninstall-style list filled by the system-icon way and by position, a file-types-style tree
// filled by resource id, and the two picture boxes they draw through. tools/screenshot
// photographs it for review.
//
//   image_icons_gallery.exe [seconds]   closes itself after that many seconds when given
#include <windows.h>

#include <cstdlib>
#include <string>

#include "image/QV_IconsAndResources.h"
#include "ui/ui.h"

namespace {

namespace Icons = QV_IconsAndResources;

std::string Sys(const char* name) {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\" + name;
}
std::string Win(const char* name) {
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\" + name;
}

class frmIconsGallery : public ui::Form {
public:
    frmIconsGallery() : Form("frmIconsGallery", {.caption = "Velmora icons", .width = 10400, .height = 6600, .centered = true}) {}
    ui::PictureBox pixSmall, pixDummy;
    ui::Label lblSmall, lblDummy;
    ui::ListView lsvUS;
    ui::TreeView tvwCMH;
    ui::ImageList imlUS{16, 16}, imlCMH{16, 16};
    ui::Timer tmrClose;
    long closeAfterSeconds = 0;

protected:
    void Form_Load() override {
        const long px = ui::Screen::TwipsPerPixelX();
        lblSmall.Create(*this, 120, 150, 900, 260, "pixSmall");
        pixSmall.Create(*this, 1000, 120, 16 * px, 16 * px);
        lblDummy.Create(*this, 1600, 150, 900, 260, "pixDummy");
        pixDummy.Create(*this, 2500, 120, 16 * px, 16 * px);
        // The placeholder of pixDummy: a 16 x 16 blank of its back colour with a frame.
        HDC dc = pixDummy.hDC();
        RECT r{2, 2, 14, 14};
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        pixDummy.SetPictureFromImage();

        lsvUS.Create(*this, 120, 600, 5600, 5300);
        lsvUS.ColumnHeaders.Add("Application Name", 2000);
        lsvUS.ColumnHeaders.Add("Uninstall string", 3400);
        Icons::ResetImageList(imlUS, lsvUS, pixDummy);
        struct {
            const char* name;
            std::string file;
            long index;
        } rows[] = {{"Notepad (system icon)", Sys("notepad.exe"), -1},
                    {"Registry Editor (system icon)", Win("regedit.exe"), -1},
                    {"Wine configuration (system icon)", Sys("winecfg.exe"), -1},
                    {"Kernel base (system icon)", Sys("kernelbase.dll"), -1},
                    {"Shell icon 3 (position)", Sys("shell32.dll"), 3},
                    {"Shell icon 15 (position)", Sys("shell32.dll"), 15},
                    {"User icon 150 -> 0 (position)", Sys("user32.dll"), 150},
                    {"User icon 105 -> 5 (position)", Sys("user32.dll"), 105},
                    {"Comctl icon 0 (position)", Sys("comctl32.dll"), 0},
                    {"Kernel base (no icon)", Sys("kernelbase.dll"), 0},
                    {"Missing file", Sys("no_such_file.exe"), -1}};
        int n = 0;
        for (const auto& row : rows) {
            const std::string key = "Key_" + std::to_string(++n);
            const bool added = Icons::AddFileIcon(row.file, row.index, false, imlUS, key, pixSmall);
            lsvUS.ListItems.Add(0, "Row_" + std::to_string(n), row.name, {}, added ? key : "dummy")
                ->SetSubItem(1, row.file + (added ? "" : "   (no icon: dummy)"));
        }

        tvwCMH.Create(*this, 5900, 600, 4200, 5300);
        Icons::ResetImageList(imlCMH, tvwCMH, pixDummy);
        auto root = tvwCMH.Nodes.Add("", ui::tvwFirst, "Types", "File types by group id", "dummy");
        struct {
            const char* name;
            std::string file;
            long group;
        } types[] = {{"shell32 group 3", Sys("shell32.dll"), 3},     {"shell32 group 4", Sys("shell32.dll"), 4},
                     {"shell32 group 154", Sys("shell32.dll"), 154}, {"shell32 group 235", Sys("shell32.dll"), 235},
                     {"notepad group 768", Sys("notepad.exe"), 768}, {"shell32 group 99999 -> icon 0", Sys("shell32.dll"), 99999}};
        for (const auto& t : types) {
            const std::string key = "Key_" + std::to_string(++n);
            const bool added = Icons::AddFileIcon(t.file, t.group, true, imlCMH, key, pixSmall);
            tvwCMH.Nodes.Add(root, ui::tvwChild, "Types\\" + std::string(t.name), t.name, added ? key : "dummy");
        }
        root->SetExpanded(true);

        if (closeAfterSeconds > 0) {
            tmrClose.Tick = [this] { Unload(); };
            tmrClose.SetInterval(closeAfterSeconds * 1000);
            tmrClose.SetEnabled(true);
        }
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    frmIconsGallery gallery;
    gallery.closeAfterSeconds = std::atol(cmdLine);
    gallery.Show();
    ui::Run();
    return 0;
}
