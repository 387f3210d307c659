#include "tests/support/Boxes.h"

BoxRecorder::BoxRecorder(int answer_)
    : answer(answer_), override_([this](const std::string& prompt, int style, const std::string& title) {
          boxes.push_back({prompt, style, title});
          return answer;
      }) {}

std::vector<std::string> BoxRecorder::Prompts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes) out.push_back(b.prompt);
    return out;
}

#include <windows.h>

void AnswerRealInputBox();

namespace {
RealInputBoxAnswer* currentAnswer = nullptr;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { AnswerRealInputBox(); }
}  // namespace

RealInputBoxAnswer::RealInputBoxAnswer(std::string title, std::string typed)
    : title_(std::move(title)), typed_(std::move(typed)) {
    currentAnswer = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
}

RealInputBoxAnswer::~RealInputBoxAnswer() {
    KillTimer(nullptr, static_cast<UINT_PTR>(timer_));
    currentAnswer = nullptr;
}

void AnswerRealInputBox() {
    RealInputBoxAnswer* self = currentAnswer;
    if (!self) return;
    HWND box = FindWindowA("#32770", self->title_.c_str());
    if (!box || box == self->answered_ || !IsWindowVisible(box)) return;
    self->answered_ = box;
    HWND edit = GetDlgItem(box, 101);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
    self->seen = text;
    ++self->shown;
    if (!self->typed_.empty()) {
        SendMessageA(edit, EM_SETSEL, text.size(), text.size());
        for (char c : self->typed_) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::vector<LongValueCase> LongValueCases() {
    auto longText = [](size_t length) {
        std::string text(length, ' ');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
        return text;
    };
    return {
        {"Short", REG_SZ, "C:\\Tools\\tool.exe", true},
        {"Long", REG_SZ, longText(5000), true},
        {"LongExpand", REG_EXPAND_SZ, "%SystemRoot%\\" + longText(5000), true},
        {"Longer", REG_SZ, longText(200000), false},
        {"Huge", REG_SZ, longText(1 << 20), false},
        {"Inner", REG_SZ, std::string("a\0after the NUL", 15), false},
    };
}
