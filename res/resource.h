// Resource IDs of the programs. The .rc files and the code name every resource through these.
#pragma once

// The program icon (Velmora, VelmRegSvr, VelmDepends and their windows).
#define IDI_VELMORA 1
// The animation of the busy box shown during long runs.
#define IDR_AVI_BUSY 102
// The animation of the box shown while the update check connects.
#define IDR_AVI_CONNECT 101

// The 16 x 16 pictures of the main window's tree and list image list (imlRegComp).
#define IDI_IML_CONTROL 201
#define IDI_IML_DLLSERVER 202
#define IDI_IML_EXESERVER 203
#define IDI_IML_STRIKE 204
#define IDI_IML_FOLDER 205
#define IDI_IML_FOLDEROPEN 206
#define IDI_IML_FOLDERROOT 207
#define IDI_IML_STRING 208
#define IDI_IML_BIN 209
#define IDI_IML_REGISTRYITEM 210
#define IDI_IML_INFO 211
#define IDI_IML_FOUND 212
#define IDI_IML_COMPUTER 213
#define IDI_IML_UNKNOWN 214
// The services tab's pictures of a service and of a driver (imlSD).
#define IDI_IML_SERVICE 215
#define IDI_IML_DEVICE 216

// The 16 x 16 pictures of the main window's toolbar (imlToolbarIcons).
#define IDI_TB_EXPLORE 301
#define IDI_TB_REFRESH 302
#define IDI_TB_CMH 303
#define IDI_TB_SD 304
#define IDI_TB_REGCOMP 305
#define IDI_TB_OPTIONS 306
#define IDI_TB_US 307
#define IDI_TB_SEARCH 308
#define IDI_TB_HELP 309

// The 16 x 16 pictures of the dependency viewer's image list (in Velmora and VelmDepends).
#define IDI_DEP_BLANK 401
#define IDI_DEP_IN 402
#define IDI_DEP_OUT 403
#define IDI_DEP_INFO 404
#define IDI_DEP_STRIKE 405
#define IDI_DEP_DLL 406
#define IDI_DEP_DLLGREY 407

// The pictures of the windows (24-bit bitmaps written by make_res.py).
// The Explorer menu dialog's illustration (Reg_Unreg_Shortcut_Dialog.Picture1), 426 x 172.
#define IDB_EXPLORER_MENU 501
// The splash and About window's picture (frmSplash.Image2), 320 x 80.
#define IDB_SPLASH 502
// The main window's 16 x 16 placeholder picture (pixDummy): all of it the box's back colour
// RGB(255, 0, 255), which the image lists take as transparent.
#define IDB_DUMMY 503
