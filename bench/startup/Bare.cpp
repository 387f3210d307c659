// The start-up benchmark's baseline: a program that shows one plain window and waits.
// Started with "exit" it ends at once instead (a bare process start).
#include <windows.h>

#include <cstring>

namespace {
LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int show) {
    if (cmdLine && std::strstr(cmdLine, "exit")) return 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "VelmStartupBare";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 400, 300,
                             nullptr, nullptr, inst, nullptr);
    ShowWindow(w, show);
    UpdateWindow(w);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
