// Records the message boxes a test causes and answers them, through the MsgBox seam.
#pragma once
#include <string>
#include <vector>

#include "base/Seams.h"

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
};

class BoxRecorder {
public:
    // Every box is answered with `answer` (vbOK by default; vbYes or vbNo for questions).
    explicit BoxRecorder(int answer = ui::vbOK);
    std::vector<ShownBox> boxes;
    int answer;
    // The prompts of all boxes shown so far, in order.
    std::vector<std::string> Prompts() const;

private:
    ui::MsgBoxOverride override_;
};
