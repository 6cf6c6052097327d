#pragma once
// The 24 pairs of opposite behaviours of the personality identification: questions 1 to 12 describe
// assertiveness, 13 to 24 responsiveness. Answer 0 is the first statement, 1 the second, -1 none.

#include <QString>
#include <array>

namespace qv::personality {

constexpr int QuestionCount = 24;
constexpr int AssertivenessQuestions = 12;

struct Question {
    QString first;  // answer 0
    QString second; // answer 1
    QString hint;   // both definitions, separated by " * "
};

const std::array<Question, QuestionCount>& questions(); // index 0 is question 1

} // namespace qv::personality
