#include "app/dlg_ArrangedByOptions.h"

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"
#include "base/TextCase.h"

namespace {
constexpr char kModule[] = "dlg_ArrangedByOptions";
}  // namespace

namespace {
// The tab the dialog is for: "regcomp", "sd" or anything else (no entries, OK stores nothing).
std::string Mode() { return TextCase::Lower(DroskGlobal().Custom.ToText()); }

// The tab's stored choice and detailed flag.
struct Choice {
    Variant* selectedBy = nullptr;
    bool* detailed = nullptr;
    const char* const* entries = nullptr;
};

const char* const kRegCompEntries[] = {"ProgID", "CLSID", "File location", "TypeLib Name"};
const char* const kSDEntries[] = {"Display name", "Description", "Registry Key", "File location"};

Choice ChoiceOf(const std::string& mode) {
    clsDroskGlobal& g = DroskGlobal();
    if (mode == "regcomp") return {&g.vntRegCompSelectedBy, &g.blnRegCompDetailed, kRegCompEntries};
    if (mode == "sd") return {&g.vntSDSelectedBy, &g.blnSDDetailed, kSDEntries};
    return {};
}
}  // namespace

dlg_ArrangedByOptions::dlg_ArrangedByOptions()
    : Form("dlg_ArrangedByOptions", {.caption = "Options",
                                     .width = 6040,
                                     .height = 2900,
                                     .border = 3,
                                     .minButton = false,
                                     .maxButton = false,
                                     .showInTaskbar = false,
                                     .centered = true}) {}

void dlg_ArrangedByOptions::Form_Load() {
    Label1.Create(*this, 240, 200, 1700, 300, "Items arranged by");
    // Sized for the frame's caption in the dialog font, also in its usual fallback (DejaVu Sans,
    // wider than Tahoma) for a Wine that has no Tahoma; the list and the buttons keep to its
    // right edge.
    cboArrangedby.Create(*this, 2000, 160, 3640, 1600);
    Frame_RegComp_ArrangedBy.Create(*this, 240, 640, 5400, 900, "Please select, how results should be displayed");
    optdetailed.Create(Frame_RegComp_ArrangedBy, 200, 360, 2400, 300, "Detailed");
    Command1.Create(*this, 2440, 1760, 1440, 400, "&OK", true);
    Command2.Create(*this, 4120, 1760, 1440, 400, "&Cancel", false, true);
    TrapErrors(kModule, "Form_Load", [this] {
        cboArrangedby.Clear();
        const Choice c = ChoiceOf(Mode());
        if (!c.entries) return;
        for (int i = 0; i < 4; ++i) cboArrangedby.AddItem(c.entries[i]);
        const long by = c.selectedBy->ToLong();
        cboArrangedby.SetListIndex(by >= 0 && by <= 3 ? by : 0);
        // Showing the stored flag is no click: the handler is wired afterwards.
        optdetailed.SetValue(*c.detailed ? 1 : 0);
    });
    optdetailed.Click = [this] { optdetailed_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
}

void dlg_ArrangedByOptions::optdetailed_Click() { DroskGlobal().Custom2 = Variant(int16_t{1}); }

void dlg_ArrangedByOptions::Command1_Click() {
    TrapErrors(kModule, "Command1_Click", [this] {
        const Choice c = ChoiceOf(Mode());
        if (!c.entries) return;
        const long index = cboArrangedby.ListIndex();
        if (index != c.selectedBy->ToLong()) {
            *c.selectedBy = Variant(index);
            DroskGlobal().Custom2 = Variant(int16_t{1});
        }
        *c.detailed = optdetailed.Value() == 1;
    });
    Unload();
}

void dlg_ArrangedByOptions::Command2_Click() {
    DroskGlobal().Custom2 = Variant(int16_t{0});
    Unload();
}
