// The icons of program files in the image lists of the file-types tree and the uninstall list.
// Each icon is drawn at the top-left corner of a picture box at small-icon size, and the box's
// picture is what the image list receives, under the caller's key (masked with the box's back
// colour, so the background stays transparent).
//
//     QV_IconsAndResources::ResetImageList(imlUS, lsvUS, pixDummy);    // image 1 is "dummy"
//     if (QV_IconsAndResources::AddFileIcon(exe, -1, false, imlUS, "Key_1", pixSmall)) ...
//
// A file's icon tables are checked against the file (ResourceTable.h) before any icon is made:
// a damaged file gives no icon, never a crash. A program file's icon is then made from the bytes
// just checked, as the system's extraction makes it (the group's best image for the small-icon
// size); an icon file is handed to the system's extraction.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/Controls.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"

namespace QV_IconsAndResources {

// Detaches the image list from the control, empties it, adds the picture box's current picture
// (a blank of its back colour when it holds none) under the key "dummy" and attaches the list
// again. True.
bool ResetImageList(ui::ImageList& iml, ui::ListView& lsv, ui::PictureBox& pix);
bool ResetImageList(ui::ImageList& iml, ui::TreeView& tvw, ui::PictureBox& pix);

// Draws one file's small icon and adds it to the image list under the key; exactly one way:
// - resourceId: `index` is an icon group's number, found at its position in the file's groups
//   (FindIconGroupPosition, 0 when no group has it), then extracted as by position;
// - index -1: the shell's icon for the file (its system image list);
// - any other index: the icon at that position (a negative one: the icon of that resource
//   number); a position above the file's icon count is taken from the last two digits of the
//   number when that is within the count, else 0.
// False when no icon was added (also on any run-time error, e.g. a key the list holds already);
// nothing is reported. Every icon handle it extracts is destroyed again.
bool AddFileIcon(const std::string& file, long index, bool resourceId, ui::ImageList& iml, const std::string& key,
                 ui::PictureBox& pix);

// The file carries an icon (its first one can be extracted).
bool HasFileIcon(const std::string& file);

// The position, in the order the system lists them, of the icon group with the name or number
// `id` (compared as text, case ignored); 0 when none matches or the file cannot be loaded as a
// data module. A loaded file whose resources cannot be enumerated (one without resources) raises
// the enumeration's error (RunTimeError 0x80040419).
long FindIconGroupPosition(const std::string& file, const std::string& id);

// Draws image `iconIndex` of a system image list onto the picture box and makes that its
// picture; returns the list.
HIMAGELIST DrawSystemIcon(HIMAGELIST systemList, int iconIndex, ui::PictureBox& pix);

}  // namespace QV_IconsAndResources
