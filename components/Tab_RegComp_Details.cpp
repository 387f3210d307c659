// The details list of one class: what the registry says about it, then its server file.
#include "base/QV_Err.h"
#include "ui/DetailsRows.h"
#include "components/Tab_RegComp.h"
#include "ui/ListView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

namespace Tab_RegComp {

void ShowRegCompDetails(const clsRegComp& rec, ui::ListView& list) {
    TrapErrors(kModule, "ShowRegCompDetails", [&] {
        list.ListItems.Clear();
        const std::pair<const char*, const std::string*> rows[] = {
            {"ProgID", &rec.vntProgID},       {"CLS Name", &rec.vntCLSID_DefaultName},
            {"Version", &rec.vntClassVersion}, {"CLSID", &rec.vntClassID},
            {"AppID", &rec.vntAppID},         {"TypeLib Name", &rec.vntTypeLibName},
            {"TypeLibID", &rec.vntTypeLib}};
        const char* keys[] = {"ProgID", "CLS_Name", "Version", "CLSID", "AppID", "TypeLib Name", "TypeLibID"};
        for (size_t i = 0; i < std::size(rows); ++i)
            DetailsRows::AddRow(list, keys[i], rows[i].first, "RegistryItem", *rows[i].second, true);
        DetailsRows::AddFileRows(list, rec.vntFileLocation, rec.vntFileLocationEx, rec.blnFileExist);
    });
}

}  // namespace Tab_RegComp
