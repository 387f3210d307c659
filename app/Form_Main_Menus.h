// The names of the main window's menu items, one constant per item, grouped by menu in the
// order the menu tables (Form_Main_Menus.cpp) build them. A name is written here and nowhere
// else: code reaches an item through its constant (Menus[MainMenu::CMH::Delete]), so a
// misspelled name does not compile. The names are the program's own, odd spellings included.
#pragma once

namespace MainMenu {

namespace File {
inline constexpr char Menu[] = "MNU_File";
inline constexpr char RegComp[] = "MNU_File_RegComp";
inline constexpr char US[] = "MNU_File_US";
inline constexpr char SD[] = "MNU_File_SD";
inline constexpr char CMH[] = "MNU_File_CMH";
inline constexpr char Sep1[] = "MNU_File_Sep1";
inline constexpr char Exit[] = "MNU_File_Exit";
inline constexpr char Sep2[] = "MNU_File_Sep2";
inline constexpr char ShutDown[] = "MNU_File_ShutDown";
}  // namespace File

// The uninstall tab's Edit menu.
namespace UninstClean {
inline constexpr char Menu[] = "MNU_UninstClean";
inline constexpr char Uninstall[] = "MNU_UninstClean_Uninstall";
inline constexpr char ShowApplicationPath[] = "MNU_UninstClean_ShowApplicationPath";
inline constexpr char DeleteKey[] = "MNU_UninstClean_DeleteKey";
inline constexpr char Sep1[] = "MNU_UninstClean_Sep1";
inline constexpr char RefreshUninst[] = "MNU_UninstClean_RefreshUninst";
inline constexpr char RebuildCache[] = "MNU_UninstClean_RebuildCache";
inline constexpr char Sep2[] = "MNU_UninstClean_Sep2";
inline constexpr char Regedit[] = "MNU_UninstClean_Regedit";
inline constexpr char HiddenAutostart[] = "MNU_UninstClean_HiddenAutostart";
}  // namespace UninstClean

// The services tab's Edit menu.
namespace ServicesDevices {
inline constexpr char Menu[] = "MNU_ServicesDevices";
inline constexpr char New[] = "MNU_ServicesDevicesNew";
inline constexpr char NewKey[] = "MNU_ServicesDevices_New_Key";
inline constexpr char NewValue[] = "MNU_ServicesDevices_New_Value";
inline constexpr char Delete[] = "MNU_ServicesDevices_Delete";
inline constexpr char DeleteComponent[] = "MNU_ServicesDevices_DeleteComponent";
inline constexpr char Rename[] = "MNU_ServicesDevices_Rename";
inline constexpr char Sep1[] = "MNU_ServicesDevices_Sep1";
inline constexpr char ShowFilePath[] = "MNU_ServicesDevices_ShowFilePath";
inline constexpr char Sep2[] = "MNU_ServicesDevices_Sep2";
inline constexpr char Refresh[] = "MNU_ServicesDevices_Refresh";
inline constexpr char SearchInRegistry[] = "MNU_ServicesDevices_SearchInRegistry";
inline constexpr char Regedit[] = "MNU_ServicesDevices_Regedit";
inline constexpr char Dependencies[] = "MNU_ServicesDevices_Dependencies";
inline constexpr char Options[] = "MNU_ServicesDevices_Options";
inline constexpr char Sep3[] = "MNU_ServicesDevices_Sep3";
inline constexpr char MMC[] = "MNU_Services_Devices_MMC";
}  // namespace ServicesDevices

// The file-types tab's Edit menu.
namespace CMH {
inline constexpr char Menu[] = "MNU_CMH";
inline constexpr char New[] = "MNU_CMHNew";
inline constexpr char NewKey[] = "MNU_CMHNEw_Key";
inline constexpr char NewValue[] = "MNU_CMHNew_Value";
inline constexpr char Delete[] = "MNU_CMH_Delete";
inline constexpr char DeleteAllEntries[] = "MNU_CMH_Delete_all_entries_of_this_component";
inline constexpr char Rename[] = "MNU_CMH_Rename";
inline constexpr char Sep1[] = "MNU_CMH_Sep1";
inline constexpr char Refresh[] = "MNU_CMH_Refresh";
inline constexpr char SearchInRegistry[] = "MNU_CMH_SearchInRegistry";
inline constexpr char Regedit[] = "MNU_CMH_Regedit";
inline constexpr char Sep2[] = "MNU_CMH_Sep2";
inline constexpr char FolderOptions[] = "MNU_CMH_FolderOptions";
}  // namespace CMH

// The components tab's Edit menu.
namespace RegComp {
inline constexpr char Menu[] = "MNU_RegComp";
inline constexpr char New[] = "MNU_RegComp_Newxx";
inline constexpr char NewKey[] = "MNU_RegComp_New";
inline constexpr char NewValue[] = "MNU_RegComp_NewValue";
inline constexpr char Sep1[] = "MNU_RegComp_Sep1";
inline constexpr char Delete[] = "MNU_RegComp_Delete";
inline constexpr char Rename[] = "MNU_RegComp_Rename";
inline constexpr char DeleteAllEntries[] = "MNU_RegComp_Delete_all_enties_of_this_component";
inline constexpr char DeleteServer[] = "MNU_RegComp_Delete_components_Server";
inline constexpr char Sep2[] = "MNU_RegComp_Sep2";
inline constexpr char ShowFilePath[] = "MNU_RegComp_Show_File_path";
inline constexpr char Unregister[] = "MNU_RegComp_Unregisterthiscomponent";
inline constexpr char RegisterNew[] = "MNU_RegComp_Register_NEW_component";
inline constexpr char RegUnregShortcut[] = "MNU_RegComp_RegUnregShortcut";
inline constexpr char Sep3[] = "MNU_RegComp_Sep3";
inline constexpr char RefreshTreeView[] = "MNU_RegComp_RefreshTreeView";
inline constexpr char SearchInRegistry[] = "MNU_RegComp_SearchInRegistry";
inline constexpr char Regedit[] = "MNU_RegComp_Regedit";
inline constexpr char Dependencies[] = "MNU_RegComp_Dependencies";
inline constexpr char Options[] = "MNU_RegComp_Options";
}  // namespace RegComp

namespace Options {
inline constexpr char Menu[] = "MNU_Options";
inline constexpr char ShowInTaskbar[] = "MNU_Options_Show_in_Taskbar";
inline constexpr char StartMinimized[] = "MNU_Options_StartMinimized";
inline constexpr char Autostart[] = "MNU_Options_Autostart";
inline constexpr char Sep1[] = "MNU_Options_Sep1";
inline constexpr char AutoUpdate[] = "MNU_Options_AutoUpdate";
inline constexpr char AutoUpdateCheckNow[] = "MNU_Options_AutoUpdateCheckNow";
}  // namespace Options

namespace Help {
inline constexpr char Menu[] = "Help";
inline constexpr char Contents[] = "Contents";
inline constexpr char OnlineHelp[] = "OnlineHelp";
inline constexpr char Sep1[] = "Help_Sep1";
inline constexpr char LicenseAgreement[] = "License_Agreement";
inline constexpr char Sep2[] = "Help_Sep2";
inline constexpr char About[] = "About";
}  // namespace Help

// The pop-up menus of the three values lists, kept hidden in the menu bar.
namespace SDEntries {
inline constexpr char Menu[] = "MNU_SDEntries";
inline constexpr char New[] = "MNU_SDEntries_New";
inline constexpr char Delete[] = "MNU_SDEntries_Delete";
inline constexpr char Sep1[] = "MNU_SDEntries_Sep1";
inline constexpr char Modify[] = "MNU_SDEntries_Modify";
inline constexpr char Rename[] = "MNU_SDEntries_Rename";
}  // namespace SDEntries

namespace CMHEntries {
inline constexpr char Menu[] = "MNU_CMHEntries";
inline constexpr char New[] = "MNU_CMHEntries_New";
inline constexpr char Delete[] = "MNU_CMHEntries_Delete";
inline constexpr char Sep1[] = "MNU_CMHEntries_Sep1";
inline constexpr char Modify[] = "MNU_CMHEntries_Modify";
inline constexpr char Rename[] = "MNU_CMHEntries_Rename";
}  // namespace CMHEntries

namespace RegCompEntries {
inline constexpr char Menu[] = "MNU_RegCompEntries";
inline constexpr char New[] = "MNU_RegCompEntries_New";
inline constexpr char Delete[] = "MNU_RegCompEntries_Delete";
inline constexpr char Sep1[] = "MNU_RegCompEntries_Sep1";
inline constexpr char Modify[] = "MNU_RegCompEntries_Modify";
inline constexpr char Rename[] = "MNU_RegCompEntries_Rename";
}  // namespace RegCompEntries

// The pop-up menus of the two details lists, kept hidden in the menu bar.
namespace RegCompClipboard {
inline constexpr char Menu[] = "MNU_RegComp_Clipboard";
inline constexpr char Copy[] = "MNU_RegComp_Clipboard_Copy";
}  // namespace RegCompClipboard

namespace SDClipboard {
inline constexpr char Menu[] = "MNU_SD_Clipboard";
inline constexpr char Copy[] = "MNU_SD_Clipboard_copy";
}  // namespace SDClipboard

}  // namespace MainMenu
