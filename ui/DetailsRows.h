// The rows of a details list: one vocabulary of labels, row keys, images and value formats
// shared by the components tab, the services tab and the dependency viewer.
//
//     lsv.ListItems.Clear();
//     DetailsRows::AddRow(lsv, "Display_Name", "Display Name", "RegistryItem", name, true);
//     DetailsRows::AddFileRows(lsv, registeredPath, resolvedPath, fileExists,
//                              {.calculatedKey = "File Location_calculated", .descriptionKey = "xDescription"});
//
// The list needs the columns "Name" and "Value" and an image list holding the images named
// in the style ("RegistryItem", "Info", "Strike" by default).
#pragma once
#include <windows.h>

#include <string>

namespace ui {
class ListView;
}

namespace DetailsRows {

// How one program's list differs from the components tab's.
struct Style {
    std::string locationImage = "RegistryItem";               // "File Location" row ("Info" in the dependency viewer)
    std::string calculatedKey = "File_Location_calculated";   // "File Location_calculated" in the services tab
    bool fileNameRow = true;                                  // "File Name, calculated" (not in the dependency viewer)
    std::string descriptionKey = "Description";               // "xDescription" in the services tab
    std::string strikeImage = "Strike";                       // "STRIKE" in the dependency viewer
    bool strikeLargeIcon = false;                             // the missing-file row also as large icon
    bool internalVersionIsFileVersion = false;                // "Internal Version" shows the FileVersion
                                                              // string (services tab), else ProductVersion
};

// Appends one row: text `label`, key `key`, image as small icon (and large icon when
// `largeIcon`), and `value` in the "Value" column.
void AddRow(ui::ListView& list, const std::string& key, const std::string& label, const std::string& image,
            const std::string& value, bool largeIcon = false);

// Appends the file rows: "File Location" (the registered text), "File Location, calculated"
// (the resolved path) and, when the style asks, "File Name, calculated"; then, when
// `fileExists` and `registered` is not empty, the facts read from the file at `resolved` now
// ("File exists", "File version", "File size", "File Attributes", the three times and the
// version strings); otherwise the row "File exists" / "False" with the strike image, unless
// `registered` is "Not defined." (any letter case).
void AddFileRows(ui::ListView& list, const std::string& registered, const std::string& resolved, bool fileExists,
                 const Style& style = {});

// Only the facts of an existing file (the rows from "File exists" on).
void AddFileFactRows(ui::ListView& list, const std::string& path, const Style& style = {});
// Only the missing-file row.
void AddMissingFileRow(ui::ListView& list, const Style& style = {});

// The attributes text: "Normal" for 0, else the names of the set bits among read-only,
// hidden, system, directory and archive, joined by ", ".
std::string AttributesText(DWORD attributes);

}  // namespace DetailsRows
