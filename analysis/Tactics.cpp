#include "analysis/Tactics.h"
#include "analysis/Questionnaire.h"

namespace qv::personality {

const QString NoTacticsLine =
    QStringLiteral("No suggested tactics. Please answer all questions in Assertiveness and Responsiveness tabs.");
const QString AnswerAllLine = QStringLiteral("Please answer all questions in Assertiveness and Responsiveness tabs.");
const QString OpinionLine = QStringLiteral("- Always ask for customer's opinion.");

namespace {

const QStringList& baseLines(int tacticCase)
{
    static const QStringList lines[9] = {
        {},
        {"- Use a direct, business-organized approach.", "- Act and follow up quickly.",
         "- Emphasize effects of purchase decision on profits."},
        {"- Demonstrate how the product/solution helps achieve personal recognition.",
         "- Use creative graphics and product demos heavily.", "- Use testimonials.",
         "- Always try to approach with new types of products."},
        {"- Use solid tangible evidence.", "- Emphasize long-term benefits.",
         "- Demonstration and presentation should emphasize person's technical experience.",
         "- Reduce risk by providing information and logical arguments."},
        {"- Build personal relationships.", "- Give guarantees for product performance.",
         "- Stress product's benefits in terms of effects on the satisfaction of employees."},
        {"- State ideas and proposals simply for quick understanding.",
         "- Volunteer only strong opinions that may lead to direct solutions.",
         "- Take positions on issues even if that disagrees with the customer.", "- Speak and move fast.",
         "- Use great vocal intensity.", "- Increase eye contact."},
        {"- Use asking mode rather than telling mode.", "- Let customer assume control of the conversation often."},
        {"- Pay compliments.", "- Engage in social conversation.", "- Reduce discussion of facts and logic.",
         "- Use more facial expressions.", "- Use more sitting positions."},
        {"- Discard telling your opinions.", "- Avoid testimonials."},
    };
    return lines[tacticCase];
}

// One calculation: the answers, the lines so far and whether the opinion line is already in them. The families
// take the case they run for; lines that case's base lines already hold are left out. From the zero case
// nothing is left out.
class Selection {
public:
    explicit Selection(const Answers& answers) : m_a(answers) {}
    QStringList lines;

    void run(int tacticCase)
    {
        lines << baseLines(tacticCase);
        if (tacticCase == 0) {
            zeroAssertive();
            zeroResponsive();
            return;
        }
        if (tacticCase == 1 || tacticCase == 3 || tacticCase == 8) lessResponsive(tacticCase);
        if (tacticCase == 2 || tacticCase == 4 || tacticCase == 7) highResponsive(tacticCase);
        if (tacticCase == 3 || tacticCase == 4 || tacticCase == 6) lessAssertive(tacticCase);
        if (tacticCase == 1 || tacticCase == 2 || tacticCase == 5) highAssertive(tacticCase);
    }

private:
    bool is(int question, int answer) const { return m_a[question - 1] == answer; }
    void add(bool condition, const char* line)
    {
        if (condition) lines << QString::fromLatin1(line);
    }
    void addOpinion(bool condition)
    {
        if (!condition || m_opinion) return;
        lines << OpinionLine;
        m_opinion = true;
    }

    void lessResponsive(int k)
    {
        add(is(14, 0), "- Do not engage in social conversation.");
        add(is(15, 0) && k != 8, "- Avoid testimonials.");
        addOpinion(is(16, 0) && k != 8);
        add(is(17, 0), "- Always discuss facts and logic.");
        add(is(19, 0), "- Use less sitting positions.");
        add(is(22, 0), "- Show great respect to dates, appointments, and schedules.");
        add(is(23, 0), "- Use less facial expressions.");
    }
    void highResponsive(int k)
    {
        add(is(14, 1) && k != 7, "- Engage in social conversation.");
        add((is(15, 1) || is(18, 1)) && k != 7, "- Pay compliments.");
        add(is(16, 1), "- Discuss personal opinions.");
        add(is(17, 1) && k != 7, "- Reduce discussion of facts and logic.");
        add(is(19, 1) && k != 7, "- Use more sitting positions.");
        add(is(23, 1) && k != 7, "- Use more facial expressions.");
    }
    void lessAssertive(int k)
    {
        add(is(1, 0) && k != 6, "- Use asking mode rather than telling mode.");
        add((is(2, 0) || is(7, 0)) && k != 6, "- Let customer assume control of the conversation often.");
        addOpinion(is(3, 0));
        add(is(8, 0), "- Use moderate eye contact.");
        add(is(9, 0), "- Use moderate vocal intensity.");
    }
    void highAssertive(int k)
    {
        add(is(1, 1) && k != 5, "- Volunteer only strong opinions that may lead to direct solutions.");
        add((is(3, 1) || is(4, 1)) && k != 5, "- Take positions on issues even if that disagrees with the customer.");
        add(is(6, 1) && k != 5, "- State ideas and proposals simply for quick understanding.");
        add(is(8, 1) && k != 5, "- Increase eye contact.");
        add(is(9, 1) && k != 5, "- Use great vocal intensity.");
        add(is(10, 1) && k != 5, "- Speak and move fast.");
    }

    int count(std::initializer_list<int> questions, int answer) const
    {
        int n = 0;
        for (int q : questions) n += is(q, answer) ? 1 : 0;
        return n;
    }
    void zeroAssertive()
    {
        const int low = count({1, 3, 8, 9, 2, 7, 16}, 0);
        const int high = count({1, 3, 8, 9, 10, 4, 6}, 1);
        bool goHigh;
        if (high != low)
            goHigh = high > low;
        else if (is(3, 1) && is(4, 1))
            goHigh = true;
        else if (is(2, 0) && is(7, 0))
            goHigh = false;
        else if (is(3, 0) && is(16, 0))
            goHigh = false;
        else if (is(3, 1))
            goHigh = false;
        else
            goHigh = true;
        if (goHigh)
            highAssertive(0);
        else
            lessAssertive(0);
    }
    void zeroResponsive()
    {
        const int low = count({14, 15, 16, 17, 19, 23, 22}, 0);
        const int high = count({14, 15, 16, 17, 19, 23, 18}, 1);
        const bool goHigh = high != low ? high > low : (is(15, 1) || is(18, 1));
        if (goHigh)
            highResponsive(0);
        else
            lessResponsive(0);
    }

    const Answers& m_a;
    bool m_opinion = false;
};

// Anything but 0 or 1 (a damaged row) counts as not answered rather than being scored as one side.
bool answered(int value) { return value == 0 || value == 1; }

} // namespace

int tacticCase(int assertiveness, int responsiveness)
{
    if (assertiveness > 0) return responsiveness < 0 ? 1 : responsiveness > 0 ? 2 : 5;
    if (assertiveness < 0) return responsiveness < 0 ? 3 : responsiveness > 0 ? 4 : 6;
    return responsiveness > 0 ? 7 : responsiveness < 0 ? 8 : 0;
}

TacticsResult computeTactics(const Answers& answers)
{
    TacticsResult r;
    for (int q = 0; q < AssertivenessQuestions; ++q) {
        if (!answered(answers[q])) {
            r.lines << NoTacticsLine;
            return r;
        }
        r.assertiveness += answers[q] == 1 ? 1 : -1;
    }
    for (int q = AssertivenessQuestions; q < QuestionCount; ++q) {
        if (!answered(answers[q])) {
            r.lines << AnswerAllLine;
            return r;
        }
        r.responsiveness += answers[q] == 1 ? 1 : -1;
    }
    r.tacticCase = tacticCase(r.assertiveness, r.responsiveness);
    Selection selection(answers);
    selection.run(r.tacticCase);
    r.lines = selection.lines;
    r.complete = true;
    return r;
}

} // namespace qv::personality
