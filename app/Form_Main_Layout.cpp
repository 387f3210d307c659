// The main window's layout: the shown tab's controls fitted to the window's size, in twips,
// with 32-bit arithmetic throughout so that wide windows lay out fully.
#include "app/Form_Main.h"

#include <algorithm>
#include <cmath>

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"

// The form's own load, settings, close and resize handlers report their errors under the form's
// name; its commands report under "Form_Main".
namespace {
constexpr char kFormModule[] = "frmMain";
}  // namespace

namespace {
long Round(double v) { return static_cast<long>(std::lround(v)); }
}  // namespace

void Form_Main::LayoutSplitTab(ui::PictureBox& bar, SplitterCtrl& split, ui::TreeView& tree, ui::ListView& details,
                               ui::ListView& entries, long& storedLeft, double W, double H) {
    const long y = PageTop() - 360;
    const long bottomLimit = ScaleHeight() - (stb1.IsCreated() ? stb1.Height() : 0) - 60;
    bar.SetVisible(true);
    if (bar.Left() < 100 || bar.Left() > W) bar.SetLeft(Round(W - 300));
    entries.SetWidth(std::min(Round(W - 150), ScaleWidth() - entries.Left() - 60));
    tree.SetTop(y + 480);
    tree.SetHeight(std::max(0L, Round(0.82 * H - 1530 + 200)));
    long h = std::max(0L, Round(0.18 * H - 160));
    long top = Round(H - h - 980) + y;
    // Keep the values list above the status bar whatever the frame's metrics are.
    if (top + h > bottomLimit) top = bottomLimit - h;
    if (top < tree.Top() + tree.Height() + 60) {
        long treeH = std::max(0L, top - 60 - tree.Top());
        tree.SetHeight(treeH);
    }
    entries.Move(entries.Left(), top, entries.Width(), h);
    split.SetLeft(tree, true);
    split.SetRight(details, true);
    split.SetSplitter();
    if (W - details.Left() > 0) details.SetWidth(std::max(0L, std::min(Round(W - details.Left() - 50),
                                                                      ScaleWidth() - details.Left() - 60)));
    storedLeft = bar.Left();
}

void Form_Main::Form_Resize() {
    TrapErrors(kFormModule, "Form_Resize", [this] {
        if (!IsLoaded() || !SSTab1.IsCreated()) return;
        const int state = WindowState();
        if (state != ui::vbNormal && state != ui::vbMaximized) return;
        const double H = Height(), W = Width();
        if (H < 2000 || W < 2000) return;
        stb1.Reposition();
        Toolbar1.Reposition();
        SplitterRegComp.SetVisible(false);
        SplitterSD.SetVisible(false);
        const long y = PageTop() - 360;
        const long bottomLimit = ScaleHeight() - stb1.Height() - 60;
        const long rightLimit = ScaleWidth() - 60;
        clsDroskGlobal& g = DroskGlobal();
        const std::optional<Tab> tab = ShownTab();
        if (!tab) return;
        switch (*tab) {
            case Tab::US: {
                lsvUS.SetWidth(std::min(Round(W - 180), rightLimit - lsvUS.Left()));
                lsvUSInfo.SetWidth(lsvUS.Width());
                long hInfo = std::max(0L, Round(0.18 * H - 250));
                long top = Round(H - hInfo - 980) + y;
                if (top + hInfo > bottomLimit) top = bottomLimit - hInfo;
                lsvUS.SetTop(y + 360);
                lsvUS.SetHeight(std::max(0L, std::min(Round(0.82 * H - 1250), top - 60 - lsvUS.Top())));
                lsvUSInfo.Move(lsvUSInfo.Left(), top, lsvUSInfo.Width(), hInfo);
                break;
            }
            case Tab::SD:
                if (SplitSD)
                    LayoutSplitTab(SplitterSD, *SplitSD, tvwSD, lsvSDDetails, lsvSD_entries, g.lngSplitterSDLeft, W, H);
                break;
            case Tab::CMH: {
                tvwCMH.SetTop(y + 480);
                tvwCMH.SetWidth(std::max(0L, Round(W - 2480)));
                lsvCMH_entries.SetWidth(std::min(Round(W - 150), rightLimit - lsvCMH_entries.Left()));
                long h = std::max(0L, Round(0.18 * H - 160));
                long top = Round(H - h - 980) + y;
                if (top + h > bottomLimit) top = bottomLimit - h;
                tvwCMH.SetHeight(std::max(0L, std::min(Round(0.82 * H - 1530 + 200), top - 60 - tvwCMH.Top())));
                lsvCMH_entries.Move(lsvCMH_entries.Left(), top, lsvCMH_entries.Width(), h);
                Frame_CMH_ArrangedBy.SetLeft(Round(W - 2280));
                Frame_CMH_Buttons.SetLeft(Round(W - 2280));
                break;
            }
            case Tab::RegComp:
                if (SplitRegComp)
                    LayoutSplitTab(SplitterRegComp, *SplitRegComp, tvwRegComp, lsvRegCompDetails, lsvRegComp_entries,
                                   g.lngSplitterRegCompLeft, W, H);
                break;
        }
    });
}
