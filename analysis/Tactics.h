#pragma once
// Suggested sales tactics from the 24 answers: the assertiveness and responsiveness scores, the style case they
// give, and the lines for that case. A plain function, so the window and the contact report share it.

#include <QString>
#include <QStringList>
#include <array>

namespace qv::personality {

using Answers = std::array<int, 24>; // index 0 is question 1; -1 not answered, 0 first statement, 1 second

extern const QString NoTacticsLine; // an assertiveness answer is missing
extern const QString AnswerAllLine; // a responsiveness answer is missing
extern const QString OpinionLine;   // "- Always ask for customer's opinion.", listed at most once

struct TacticsResult {
    QStringList lines;
    bool complete = false; // every question answered, so the lines are tactics
    int assertiveness = 0;
    int responsiveness = 0;
    int tacticCase = 0;
};

// The case from the two scores: 1 to 8, or 0 when both are 0.
int tacticCase(int assertiveness, int responsiveness);
TacticsResult computeTactics(const Answers& answers);

} // namespace qv::personality
