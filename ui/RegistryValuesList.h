// The values list of a registry key, as every registry tab shows it: one row per value in
// enumeration order, the value's name as text ("Default" for the unnamed value, whose row has
// no key; a named value's row is keyed "Key" & name), the data as text in the first sub-item
// (ValueText::Of), and the icon "String" for REG_SZ and REG_EXPAND_SZ, "Bin" for every other type.
#pragma once
#include <windows.h>

#include <string>

namespace ui {
class ListView;
class ListItem;
}  // namespace ui

namespace RegistryValuesList {

// Replaces the rows of `list` by the values of root\path. Every value is listed, whatever its
// type or length; a value that cannot be read is passed over. An empty path, or a key that does
// not open, leaves the list as it was.
void Fill(HKEY root, const std::string& path, ui::ListView& list);
// The value a row stands for: "" for the unnamed value's row, else the value's own name (a
// value really named "Default" keeps its name).
std::string ValueNameOfRow(const ui::ListItem& row);

}  // namespace RegistryValuesList
