// Records the message boxes a test causes and answers them, through the MsgBox seam.
#pragma once
#include <windows.h>

#include <cstdint>
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

// Answers the real input box (not a replaced seam) while it lives, as a user would: a timer of
// the thread looks for a box of that title in whatever message loop runs; each box found has
// its edit field's whole text recorded, `typed` added at its end by typed characters (when
// given) and OK pressed. A command that refuses before asking shows no box and so leaves
// `shown` at 0.
class RealInputBoxAnswer {
public:
    explicit RealInputBoxAnswer(std::string title, std::string typed = "");
    ~RealInputBoxAnswer();
    RealInputBoxAnswer(const RealInputBoxAnswer&) = delete;
    RealInputBoxAnswer& operator=(const RealInputBoxAnswer&) = delete;

    int shown = 0;     // boxes answered
    std::string seen;  // the edit field's text as the last box showed it

private:
    friend void AnswerRealInputBox();
    std::string title_, typed_;
    void* answered_ = nullptr;  // the box answered last (it may still be closing)
    std::uintptr_t timer_ = 0;
};

// Text values of the shapes Modify meets, each written with its closing NUL: short, 5,000
// characters (also as REG_EXPAND_SZ), 200,000 characters, 1 MB and one with text after a NUL;
// `offered` is whether Modify offers it in the input box (the box holds it whole).
struct LongValueCase {
    const char* name;
    DWORD type;
    std::string text;
    bool offered;
};
std::vector<LongValueCase> LongValueCases();
