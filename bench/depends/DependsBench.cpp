// The dependency tree of the largest DLLs of the prefix's system32, built by the viewer
// window (hidden), beside a bare walk of the same files' import tables with imagehlp.
//   tools/wine-run --prefix build/x64/wineprefix build/x64/bench/depends/depends_bench.exe [rounds]
#include <windows.h>
#include <commctrl.h>
#include <imagehlp.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "image/clsPeInfo.h"
#include "image/frmDepends.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string SystemDir() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

// Maps each file and walks its import descriptors to the zero entry: what any tree of these
// files has to do at the least.
size_t BareWalk(const std::vector<std::string>& files) {
    size_t names = 0;
    for (const auto& file : files) {
        LOADED_IMAGE li{};
        if (!MapAndLoad(file.c_str(), nullptr, &li, TRUE, TRUE)) continue;
        ULONG size = 0;
        auto* d = static_cast<IMAGE_IMPORT_DESCRIPTOR*>(
            ImageDirectoryEntryToData(li.MappedAddress, FALSE, IMAGE_DIRECTORY_ENTRY_IMPORT, &size));
        for (; d && d->Name; ++d)
            if (ImageRvaToVa(li.FileHeader, li.MappedAddress, d->Name, nullptr)) ++names;
        UnMapAndLoad(&li);
    }
    return names;
}

// The same files through the viewer's reader: checked, mapped, imports enumerated.
size_t ReaderWalk(const std::vector<std::string>& files) {
    size_t names = 0;
    for (const auto& file : files) {
        clsPeInfo pe;
        if (!pe.Load(file, "", "")) continue;
        std::vector<std::string> imports;
        long count = 0;
        pe.EnumerateImportedModules(imports, count);
        names += imports.size();
    }
    return names;
}

// The facts of the root as the facts list shows them.
void RootFacts(frmDepends& window, const std::string& path) { window.lstFileVerShow(path, path); }

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    const std::string sys = SystemDir();
    const char* roots[] = {"shell32.dll", "mshtml.dll", "msxml3.dll", "wined3d.dll"};

    frmDepends window;
    window.Load();  // hidden: the tree is built in the real controls without painting

    // tree: LoadTree as the user gets it (tree, module list, root's facts); of that, reader: the
    // same files through clsPeInfo, facts: the root's facts list; bare: the plain import walk.
    std::printf("%-14s %8s %8s %10s %10s %10s %10s %7s\n", "file", "modules", "nodes", "tree ms", "reader ms",
                "facts ms", "bare ms", "ratio");
    double treeTotal = 0, bareTotal = 0, readerTotal = 0, factsTotal = 0;
    auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    for (const char* root : roots) {
        const std::string path = sys + "\\" + root;
        double treeBest = 1e18, bareBest = 1e18, readerBest = 1e18, factsBest = 1e18;
        long modules = 0, nodes = 0;
        std::vector<std::string> files;
        for (int r = 0; r < rounds; ++r) {
            auto t0 = Clock::now();
            window.LoadTree(path);
            auto t1 = Clock::now();
            treeBest = std::min(treeBest, ms(t0, t1));
            modules = window.lstDep.ListItems.Count();
            nodes = window.tvwModules.Nodes.Count();
            if (files.empty()) {
                // The files the tree opened: the root and every module it found.
                files.push_back(path);
                for (const auto& item : window.lstDep.ListItems)
                    if (item->SmallIcon().key == "DLL") files.push_back(item->Text());
            }
            auto b0 = Clock::now();
            BareWalk(files);
            auto b1 = Clock::now();
            bareBest = std::min(bareBest, ms(b0, b1));
            auto r0 = Clock::now();
            ReaderWalk(files);
            auto r1 = Clock::now();
            readerBest = std::min(readerBest, ms(r0, r1));
            auto f0 = Clock::now();
            RootFacts(window, path);
            auto f1 = Clock::now();
            factsBest = std::min(factsBest, ms(f0, f1));
        }
        treeTotal += treeBest;
        bareTotal += bareBest;
        readerTotal += readerBest;
        factsTotal += factsBest;
        std::printf("%-14s %8ld %8ld %10.2f %10.2f %10.2f %10.2f %7.2f\n", root, modules, nodes, treeBest, readerBest,
                    factsBest, bareBest, bareBest > 0 ? treeBest / bareBest : 0.0);
    }
    std::printf("%-14s %8s %8s %10.2f %10.2f %10.2f %10.2f %7.2f\n", "total", "", "", treeTotal, readerTotal,
                factsTotal, bareTotal, bareTotal > 0 ? treeTotal / bareTotal : 0.0);
    window.Unload();
    return 0;
}
