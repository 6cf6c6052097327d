#include "data/Domains.h"

namespace qv::domains {

const QStringList& title()
{
    static const QStringList l{"Dr.", "Miss", "Mr.", "Mrs.", "Ms.", "Prof."};
    return l;
}

const QStringList& household()
{
    static const QStringList l{"Single",   "Married with no children",    "Married with dependent children",
                               "Divorced", "Married with grown children", "Other"};
    return l;
}

const QList<Entry>& reminderFlag()
{
    static const QList<Entry> l{{"TRUE", "Set"}, {"FALSE", "Unset"}};
    return l;
}

const QStringList& income()
{
    static const QStringList l{"< 15,000",          "15,000 - 19,999",   "20,000 - 29,999",   "30,000 - 39,999",
                               "40,000 - 49,999",   "50,000 - 59,999",   "60,000 - 74,999",   "75,000 - 99,999",
                               "100,000 - 124,999", "125,000 - 149,999", "150,000 - 174,999", "175,000 - 199,999",
                               "200,000 - 249,999", "> 250,000"};
    return l;
}

const QStringList& educationLevel()
{
    static const QStringList l{"PhD",     "Master's",  "Bachelor's",     "Certificate",
                               "College", "Secondary", "Below secondary"};
    return l;
}

const QStringList& companySize()
{
    static const QStringList l{"Small", "Small-medium", "Medium", "Medium-large", "Large", "Huge"};
    return l;
}

const QStringList& industry()
{
    static const QStringList l{"Advertising and Marketing",
                               "Aerospace",
                               "Agriculture",
                               "Automotive",
                               "Chemicals",
                               "Computers and Software",
                               "Electronics",
                               "Energy",
                               "Entertainment",
                               "Financial",
                               "Food and Beverage",
                               "Government",
                               "Health",
                               "Human Resources",
                               "Industrial",
                               "Internet",
                               "Law",
                               "Management",
                               "Pharmaceuticals",
                               "Retail",
                               "Small Business",
                               "Telecommunications",
                               "Transportation",
                               "Travel and Tourism"};
    return l;
}

const QStringList& personType()
{
    static const QStringList l{"Customer", "Prospect"};
    return l;
}

const QStringList& importance()
{
    static const QStringList l{"High", "Medium", "Low"};
    return l;
}

const QStringList& addressChoice()
{
    static const QStringList l{"Home", "Business"};
    return l;
}

const QStringList& prospectingMethod()
{
    static const QStringList l{"Cold canvass",
                               "Endless chain",
                               "Center of influence",
                               "Personal observation",
                               "News",
                               "Bird dog",
                               "Direct mail",
                               "Telephone",
                               "Past customer",
                               "Present customer",
                               "Organization",
                               "Seminar",
                               "Networking",
                               "Trade show",
                               "Direct response advertising",
                               "Business directory",
                               "Chamber of commerce",
                               "Professional society",
                               "Academic society",
                               "Other"};
    return l;
}

const QStringList& prospectingExplanations()
{
    static const QStringList l{
        "Is calling on leads without gathering information about them in advance.",
        "Is asking your current prospects for contacts.",
        "Is asking a person having some influence to pass your name along to new prospects.",
        "Is keeping an eye on potential prospects.",
        "Is keeping yourself updated through TV, radio, newspapers, publications, trade journals, and others.",
        "Is someone that brings in new prospects against commission.",
        "Is sending letters to existing leads.",
        "Is contacting existing leads by telephone.",
        "The prospect is a past customer.",
        "The prospect is a present customer.",
        "Is participating in social events, clubs, and non-profit organizations like Rotary and Lions.",
        "Is contacting seminar, conference, or symposium attendees.",
        "Is sharing leads with other non-competing salespeople in related industries.",
        "Is gathering information through a booth in a show.",
        "Like a response coupon in a newspaper advertisement.",
        "Like the yellow pages.",
        "Usually issuing a directory containing listings of leads.",
        "Like the syndicates.",
        "Like the universities.",
        "Other method of prospecting."};
    return l;
}

const QStringList& approachType()
{
    static const QStringList l{"Assessment", "Product", "Customer benefit", "Referral", "Consultative", "Other"};
    return l;
}

const QStringList& approachExplanations()
{
    static const QStringList l{
        QString::fromUtf8("Salesman asks for information or for permission to investigate the company\u2019s problem."),
        "Salesman hands the product to the prospect.",
        "Salesman selects a benefit package that is likely to be of most interest to the prospect.",
        "Salesman gets permission from past/present customers to use their names as a reference.",
        "Salesman acts as an expert and encourages the prospect to talk about his problems.",
        "Other method of approach."};
    return l;
}

const QStringList& gender()
{
    static const QStringList l{"Male", "Female"};
    return l;
}

const QStringList& innovation()
{
    static const QStringList l{"Innovator", "Early adopter (opinion leader)", "From the early majority",
                               "From the late majority", "Laggard"};
    return l;
}

const QStringList& innovationExplanations()
{
    static const QStringList l{
        "Venturesome type enjoying being on the cutting edge.",
        QString::fromUtf8("Uses the data provided by the innovators\u2019 implementation to make his own decision."),
        "Follows the early adopters (opinion leaders) straightaway.", "Traditional and somewhat suspicious.",
        "Very traditional and normally isolated from the social system."};
    return l;
}

const QStringList& contactMethod()
{
    static const QStringList l{"Visit", "Telephone", "Fax", "Email", "SMS", "Other"};
    return l;
}

const QStringList& saleStatus()
{
    static const QStringList l{"Need recognition", "Identifying alternatives", "Evaluating alternatives",
                               "Purchase decision", "Post-purchase behavior"};
    return l;
}

const QStringList& roleInSale()
{
    static const QStringList l{"Decision maker", "Influencer", "User", "Purchaser", "Gate keeper"};
    return l;
}

const QStringList& halfHourTime()
{
    static const QStringList l = [] {
        QStringList out;
        for (int h = 6; h < 24; ++h)
            for (int m : {0, 30}) {
                const int h12 = h % 12 == 0 ? 12 : h % 12;
                out << QStringLiteral("%1:%2 %3").arg(h12).arg(m, 2, 10, QChar('0')).arg(h < 12 ? "AM" : "PM");
            }
        return out;
    }();
    return l;
}

const QList<int>& alertLeadTime()
{
    static const QList<int> l{0, 5, 10, 15, 20, 25, 30, 45, 60, 90, 120, 180};
    return l;
}

int positionIgnoringCase(const QStringList& domain, const QString& text)
{
    if (text.isEmpty()) return -1;
    for (int i = 0; i < domain.size(); ++i)
        if (domain[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString explanationAt(const QStringList& explanations, int position)
{
    return position >= 0 && position < explanations.size() ? explanations[position] : QString();
}

} // namespace qv::domains
