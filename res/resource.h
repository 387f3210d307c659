// Resource IDs of the programs. The .rc files and the code name every resource through these.
#pragma once

// The program icon (Velmora, VelmRegSvr, VelmDepends and their windows).
#define IDI_VELMORA 1
// The animation of the busy box shown during long runs.
#define IDR_AVI_BUSY 102
// The animation of the box shown while the update check connects.
#define IDR_AVI_CONNECT 101
