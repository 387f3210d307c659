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
