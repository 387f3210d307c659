// The Find dialog of every registry search: the search text and where to look. It shows the
// options it is given and, once closed, gives the options the user confirmed (OK with a text),
// or none (Cancel, Escape, the close box).
#pragma once
#include <optional>

#include "registry/colQVRegistry.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class dlg_FindString : public ui::Form {
public:
    // `shown`: the options the dialog opens with; `cancel` is the program's cancel flag, cleared by OK.
    dlg_FindString(const SearchOptions& shown, bool& cancel);

    ui::Label Label1;
    ui::TextBox txbFindStrign;
    ui::Frame Frame1;
    ui::CheckBox chkKeys, chkValues, chkData;
    ui::CheckBox optFindWholeStringOnly;
    ui::CommandButton Command14;  // "&OK"
    ui::CommandButton Command1;   // "&Cancel"

    void Command14_Click();
    void Command1_Click();

    // The options confirmed with OK since the dialog was last loaded; none otherwise.
    const std::optional<SearchOptions>& Chosen() const { return chosen_; }

protected:
    void Form_Load() override;

private:
    SearchOptions shown_;
    std::optional<SearchOptions> chosen_;
    bool& cancel_;
};
