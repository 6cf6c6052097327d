#include "analysis/Questionnaire.h"

namespace qv::personality {

const std::array<Question, QuestionCount>& questions()
{
    // The texts are shown exactly as they have always read.
    static const std::array<Question, QuestionCount> all{{
        {QStringLiteral("Ask oriented"), QStringLiteral("Tell oriented"),
         QStringLiteral("Ask oriented: Calls for answers and seeks to obtain information * Tell oriented: Reveals or "
                        "signifies information")},
        {QStringLiteral("Go-along attitude"), QStringLiteral("Take-charge attitude"),
         QStringLiteral("Go-along attitude: Lets others assume control * Take-charge attitude: Assumes control")},
        {QStringLiteral("Cooperative"), QStringLiteral("Competitive"),
         QStringLiteral("Cooperative: Willing to work or act together * Competitive: Having a strong urge to win")},
        {QStringLiteral("Supportive"), QStringLiteral("Directive"),
         QStringLiteral("Supportive: Provides help or encouragement * Directive: Practices authority")},
        {QStringLiteral("Risk avoider"), QStringLiteral("Risk taker"),
         QStringLiteral("Risk avoider: Refuses the chance or possibility of danger, loss, etc... * Risk taker: Accepts "
                        "the chance or possibility of danger, loss, etc...")},
        {QStringLiteral("Makes decisions slowly"), QStringLiteral("Makes decisions quickly"),
         QStringLiteral("Makes decisions slowly: Slow act or process of deciding * Makes decisions quickly: Quick act "
                        "or process of deciding")},
        {QStringLiteral("Lets others take initiative"), QStringLiteral("Takes initiative"),
         QStringLiteral("Lets others take initiative: Lets others take the first step * Takes initiative: Takes the "
                        "first step or have the power to begin the conversation")},
        {QStringLiteral("Indirect eye contact"), QStringLiteral("Direct eye contact"),
         QStringLiteral("Indirect eye contact: Does not look directly in the eyes * Direct eye contact: Looks directly "
                        "in the eyes")},
        {QStringLiteral("Speaks softly and slowly"), QStringLiteral("Speaks intensely and quickly "),
         QStringLiteral("Speaks softly and slowly: Utters words smoothly and not quickly * Speaks intensely and "
                        "rapidly: Utters words swiftly and forcefully")},
        {QStringLiteral("Moves deliberately "), QStringLiteral("Moves rapidly"),
         QStringLiteral(
             "Moves deliberately: Cautious and unhurried movement * Moves rapidly: Quick and swift movement")},
        {QStringLiteral("Makes few statements"), QStringLiteral("Makes many statements"),
         QStringLiteral("Makes few statements: Utters few words * Makes many statements: Utters more words")},
        {QStringLiteral("Expresses moderate opinions"), QStringLiteral("Expresses strong opinions"),
         QStringLiteral("Expresses moderate opinions: Avoids extreme unproven beliefs * Expresses strong opinions: "
                        "Emphasizes extreme unproven beliefs")},
        {QStringLiteral("Controls emotions"), QStringLiteral("Shows emotions"),
         QStringLiteral("Controls emotions: Does not express strong instinctive feelings * Shows emotions: Expresses "
                        "strong instinctive feelings")},
        {QStringLiteral("Cool and aloof"), QStringLiteral("Warm and approachable"),
         QStringLiteral("Cool and aloof: Unfriendly, distant, and unsympathetic * Warm and approachable: Friendly and "
                        "easy to talk to")},
        {QStringLiteral("Task oriented"), QStringLiteral("People oriented"),
         QStringLiteral(
             "Task oriented: Directed and devoted to work * People oriented: Directed towards personal relations")},
        {QStringLiteral("Uses facts"), QStringLiteral("Uses opinions"),
         QStringLiteral("Uses facts: Brings into service things that are known to exist or to be true * Uses opinions: "
                        "Brings into service unproven beliefs")},
        {QStringLiteral("Serious"), QStringLiteral("Playful"),
         QStringLiteral("Serious: Inclined to occupy oneself with work-related issues * Playful: Inclined to occupy "
                        "oneself pleasantly")},
        {QStringLiteral("Impersonal and businesslike"), QStringLiteral("Personable and friendly"),
         QStringLiteral("Impersonal and businesslike: Systematic appearance and behavior * Personable and friendly: "
                        "Pleasing in appearance and behavior")},
        {QStringLiteral("Moves stiffly"), QStringLiteral("Moves freely"),
         QStringLiteral("Moves stiffly: Rigid and inflexible changes in position or posture * Moves freely: Relaxed "
                        "and flexible changes in position or posture ")},
        {QStringLiteral("Seldom gestures"), QStringLiteral("Gestures frequently"),
         QStringLiteral("Seldom gestures: Limited significant moves of limbs * Gestures frequently: Many significant "
                        "moves of limbs")},
        {QStringLiteral("Formal dress"), QStringLiteral("Informal dress"),
         QStringLiteral("Formal dress: Dresses in accordance with rules * Informal dress: Does not dress in accordance "
                        "with rules")},
        {QStringLiteral("Disciplined about time"), QStringLiteral("Undisciplined about time"),
         QStringLiteral("Disciplined about time: Pays great attention to time * Undisciplined about time: Does not pay "
                        "great attention to time")},
        {QStringLiteral("Controlled facial expressions"), QStringLiteral("Animated facial expressions"),
         QStringLiteral("Controlled facial expressions: Limited face impressions * Animated facial expressions: Many "
                        "face impressions")},
        {QStringLiteral("Monotone voice"), QStringLiteral("Many vocal infections"),
         QStringLiteral("Monotone voice: Does not change the volume of voice * Many vocal infections: Changes the "
                        "volume of voice frequently")},
    }};
    return all;
}

} // namespace qv::personality
