#include <windows.h>

#include "ui/DetailsRows.h"

#include <commctrl.h>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Strings_Lib.h"
#include "base/TextCase.h"
#include "ui/ListView.h"

namespace DetailsRows {

void AddRow(ui::ListView& list, const std::string& key, const std::string& label, const std::string& image,
            const std::string& value, bool largeIcon) {
    auto item = list.ListItems.Add(0, key, label, largeIcon ? ui::ImageRef(image) : ui::ImageRef(),
                                   image);
    item->SetSubItem(1, value);
    // The "Name" column widens to its longest label ("File Location, calculated"), beside the
    // row's picture.
    HWND h = list.hWnd();
    if (!h) return;
    const int row = static_cast<int>(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0)) - 1;
    RECT labelRect{}, bounds{};
    labelRect.left = LVIR_LABEL;
    bounds.left = LVIR_BOUNDS;
    if (row < 0 || !SendMessageA(h, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&labelRect)) ||
        !SendMessageA(h, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds)))
        return;
    const int text = static_cast<int>(SendMessageA(h, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(label.c_str())));
    const int need = labelRect.left - bounds.left + text + 12;
    if (need > SendMessageA(h, LVM_GETCOLUMNWIDTH, 0, 0)) SendMessageA(h, LVM_SETCOLUMNWIDTH, 0, need);
}

std::string AttributesText(DWORD attributes) {
    // FILE_ATTRIBUTE_NORMAL is what the system reports for a file with no other attribute.
    std::string text = (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL)) == 0 ? "Normal" : "";
    const std::pair<DWORD, const char*> names[] = {
        {FILE_ATTRIBUTE_READONLY, "Read-only"}, {FILE_ATTRIBUTE_HIDDEN, "Hidden"},
        {FILE_ATTRIBUTE_SYSTEM, "System file"}, {FILE_ATTRIBUTE_DIRECTORY, "Directory or folder"},
        {FILE_ATTRIBUTE_ARCHIVE, "Archive"}};
    for (const auto& [bit, name] : names) {
        if (!(attributes & bit)) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

void AddFileFactRows(ui::ListView& list, const std::string& path, const Style& style) {
    // Each fact is read on its own; one that cannot be read leaves its value empty.
    // Read from the file as the lookup sees it (the system's own system folder where the tab
    // asks for it); the rows name the path as given.
    const std::string file = FileLookup::PathToOpen(path);
    std::string size, attributes;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (FileLookup::Facts(path, data)) {
        unsigned long long length = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        size = std::to_string(length) + " Bytes";
        attributes = AttributesText(data.dwFileAttributes);
    }
    std::string created, accessed, modified;
    QV_APIFileAndDiskINFO::GetFileTimes(file, created, accessed, modified);
    // The version number and strings come from one read of the version resource.
    FileVersionStrings vs;
    std::string version;
    QV_APIFileAndDiskINFO::GetFileVersionAndStrings(file, version, vs);

    AddRow(list, "File_exists", "File exists", "Info", "True");
    AddRow(list, "File_version", "File version", "Info", version);
    AddRow(list, "File_size", "File size", "Info", size);
    AddRow(list, "File_Attributes", "File Attributes", "Info", attributes);
    AddRow(list, "File_time_Created", "File Created", "Info", created);
    AddRow(list, "File_Last_Accessed", "File Last Accessed", "Info", accessed);
    AddRow(list, "File_Last_Modified", "File Last Modified", "Info", modified);
    AddRow(list, "STRINGFILEINFO_CompanyName", "Company Name", "Info", vs.CompanyName);
    AddRow(list, style.descriptionKey, "Description", "Info", vs.FileDescription);
    AddRow(list, "Internal Version", "Internal Version", "Info",
           style.internalVersionIsFileVersion ? vs.FileVersion : vs.ProductVersion);
    AddRow(list, "STRINGFILEINFO_InternalName", "Internal Name", "Info", vs.InternalName);
    AddRow(list, "STRINGFILEINFO_LegalCopyright", "Legal Copyright", "Info", vs.LegalCopyright);
    AddRow(list, "STRINGFILEINFO_OriginalFileName", "Original File Name", "Info", vs.OriginalFileName);
    AddRow(list, "STRINGFILEINFO_ProductName", "Product Name", "Info", vs.ProductName);
    AddRow(list, "STRINGFILEINFO_ProductVersion", "Product Version", "Info", vs.ProductVersion);
}

void AddMissingFileRow(ui::ListView& list, const Style& style) {
    AddRow(list, "File exists", "File exists", style.strikeImage, "False", style.strikeLargeIcon);
}

void AddFileRows(ui::ListView& list, const std::string& registered, const std::string& resolved, bool fileExists,
                 const Style& style) {
    AddRow(list, "File_Location", "File Location", style.locationImage, registered, true);
    AddRow(list, style.calculatedKey, "File Location, calculated", "Info", resolved, true);
    if (style.fileNameRow) {
        std::string name;
        QV_Strings_Lib::GetFileName(resolved, name);
        AddRow(list, "File_Name_calculated", "File Name, calculated", "Info", name, true);
    }
    if (fileExists && !registered.empty())
        AddFileFactRows(list, resolved, style);
    else if (!TextCase::Equal(registered, "not defined."))
        AddMissingFileRow(list, style);
}

}  // namespace DetailsRows
