#include "analysis/ContactMerge.h"
#include "analysis/ContactScan.h"
#include "data/Connection.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"

#include <map>
#include <set>

namespace qv {

namespace {

const QString PersonID = QStringLiteral("PersonID");

// Blanks only are as good as nothing: no value to keep.
QVariant filled(const QVariant& v)
{
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()) return {};
    return v;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.toString() == b.toString();
}

// A questionnaire answer given: the first statement (0) or the second (1); -1 or nothing is none.
bool answered(const QVariant& answer)
{
    return !answer.isNull() && (answer.toLongLong() == 0 || answer.toLongLong() == 1);
}

} // namespace

// ---------------------------------------------------------------- side by side

int MergeComparison::defaultKept() const
{
    int best = 0, bestCount = -1;
    for (size_t c = 0; c < people.size(); ++c) {
        int count = 0;
        for (const MergeField& f : fields) count += f.values[c].isNull() ? 0 : 1;
        if (count > bestCount) {
            best = int(c);
            bestCount = count;
        }
    }
    return best;
}

int MergeComparison::defaultChoice(int field, int kept) const
{
    const std::vector<QVariant>& values = fields[size_t(field)].values;
    if (!values[size_t(kept)].isNull()) return kept;
    for (size_t c = 0; c < values.size(); ++c)
        if (!values[c].isNull()) return int(c);
    return kept;
}

MergeComparison compareContacts(const Dataset& contacts, const std::vector<qint64>& people)
{
    MergeComparison comparison;
    std::vector<int> rows;
    for (qint64 id : people) {
        const int row = contacts.rowOfRowid(id);
        if (row < 0) continue;
        comparison.people.push_back(id);
        rows.push_back(row);
    }
    const TableDef& table = *contacts.tableDef();
    const int link = contacts.fieldIndex(contacts.linkColumn());
    for (int column = 0; column < int(table.columns.size()); ++column) {
        // The key and the company are the merge's own business, never the user's choice.
        if (table.columns[size_t(column)].type == ColumnType::AutoIncrement || column == link) continue;
        MergeField field;
        field.column = column;
        field.name = table.columns[size_t(column)].name;
        bool any = false;
        for (int row : rows) {
            field.values.push_back(filled(contacts.valueAt(row, column)));
            any |= !field.values.back().isNull();
        }
        if (!any) continue;
        for (const QVariant& v : field.values) field.differs |= !sameValue(v, field.values.front());
        comparison.fields.push_back(std::move(field));
    }
    return comparison;
}

QString shownValue(const Dataset& contacts, int column, const QVariant& value)
{
    if (value.isNull()) return {};
    switch (contacts.fieldType(column)) {
    case ColumnType::DateTime: return dates::dateAndTime(Dataset::parseStoredDateTime(value));
    case ColumnType::YesNo: return value.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    default: return value.toString();
    }
}

// ---------------------------------------------------------------- the merge

ContactMerge::ContactMerge(TMainDataModule& dm)
    : m_dm(dm), m_answers(new Dataset(dm.MainADOConnection, QStringLiteral("MergeAnswers"), "QuestionsMain"))
{
    m_answers->setMaster(dm.PeopleCompanyDet, PersonID);
    QObject::connect(dm.MainADOConnection, &Connection::disconnected, m_answers, [this] { m_statements.clear(); });
}

Statement& ContactMerge::statement(const QString& sql)
{
    std::unique_ptr<Statement>& kept = m_statements[sql];
    if (!kept) kept = std::make_unique<Statement>(*m_dm.MainADOConnection, sql);
    kept->reset();
    return *kept;
}

ContactMerge::~ContactMerge() { delete m_answers; }

int ContactMerge::followUpsOfOthers(const ContactMergePlan& plan)
{
    Statement& count = statement(QStringLiteral("SELECT count(*) FROM PeopleFollowUp WHERE PersonID = ?"));
    int total = 0;
    for (qint64 person : plan.people) {
        if (person == plan.kept) continue;
        count.reset();
        count.bindInt(1, person);
        if (count.step()) total += int(count.columnInt(0));
    }
    count.reset(); // a statement left on its row keeps the file's read lock
    return total;
}

QString ContactMerge::confirmationText(int others, int followUps, const QString& keptName)
{
    const QString moved =
        followUps == 1 ? QStringLiteral("1 follow-up moves") : QStringLiteral("%1 follow-ups move").arg(followUps);
    if (others == 1)
        return QStringLiteral("1 contact will be merged into %1; its %2 to %1; the other contact is deleted.")
            .arg(keptName, moved);
    return QStringLiteral("%1 contacts will be merged into %2; their %3 to %2; the other contacts are deleted.")
        .arg(QString::number(others), keptName, moved);
}

void ContactMerge::goTo(qint64 person)
{
    Dataset& people = *m_dm.PeopleCompanyDet;
    // A contact no longer shown was deleted since the group was found: the group is not what the user saw.
    const int row = people.rowOfRowid(person);
    if (row < 0) throw RowNotLocated();
    if (row != people.recNo()) people.moveTo(row);
}

void ContactMerge::merge(const ContactMergePlan& plan)
{
    Dataset& people = *m_dm.PeopleCompanyDet;
    people.checkBrowseMode();
    if (!m_answers->isOpen()) m_answers->open();
    try {
        // Nobody watches the contacts move meanwhile; the windows hear of the end only.
        QuietDatasets quiet(m_dm);
        Transaction transaction(*m_dm.MainADOConnection);
        mergeInTransaction(plan);
        transaction.commit();
    } catch (...) {
        // The rollback took back what the datasets hold now: they read the file again.
        for (Dataset* d : {&people, m_dm.FollowUp, m_dm.PeopleProjectDetail, m_answers}) {
            try {
                d->cancel();
                d->refresh();
            } catch (...) {}
        }
        throw;
    }
    goTo(plan.kept);
}

std::vector<Dataset*> ContactMerge::behindTheFile(const std::vector<Dataset*>& details,
                                                  const std::vector<qint64>& people)
{
    // Another copy may have added or taken away rows of these people since a dataset read its table. Their rowids
    // as the file holds them answer that without reading the whole table again; a row changed meanwhile is caught by
    // the update that names it as it was read.
    std::vector<std::set<qint64>> held(details.size()), stored(details.size());
    for (qint64 person : people) {
        goTo(person);
        for (size_t d = 0; d < details.size(); ++d)
            for (int r = 0; r < details[d]->recordCount(); ++r) held[d].insert(details[d]->rowIdAt(r));
    }
    std::vector<Dataset*> behind;
    for (size_t d = 0; d < details.size(); ++d) {
        Statement& inFile = statement(QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?")
                                          .arg(details[d]->tableDef()->name, details[d]->linkColumn()));
        for (qint64 person : people) {
            inFile.reset();
            inFile.bindInt(1, person);
            while (inFile.step()) stored[d].insert(inFile.columnInt(0));
        }
        inFile.reset();
        if (held[d] != stored[d]) behind.push_back(details[d]);
    }
    return behind;
}

void ContactMerge::mergeInTransaction(const ContactMergePlan& plan)
{
    Dataset& people = *m_dm.PeopleCompanyDet;
    Dataset& followUps = *m_dm.FollowUp;
    Dataset& roles = *m_dm.PeopleProjectDetail;
    Dataset& answers = *m_answers;
    std::vector<qint64> others;
    for (qint64 person : plan.people)
        if (person != plan.kept) others.push_back(person);

    // What the group owns, exactly as the file holds it now that no other copy can write: nothing is left behind.
    for (Dataset* detail : behindTheFile({&followUps, &roles, &answers}, plan.people)) detail->refresh();
    // Every contact as the user saw it, or no merge at all: the kept one is checked here, each other one by the
    // delete that names it as it was read, within this same transaction.
    goTo(plan.kept);
    people.checkCurrentRowUnchanged();

    // The answers: the kept contact's stand; a question it has not answered takes the first other's answer.
    struct Answer {
        qint64 rowid;
        qint64 question;
        QVariant answer;
    };
    const int questionColumn = answers.requireField(QStringLiteral("QuestionID"));
    const int answerColumn = answers.requireField(QStringLiteral("Answer"));
    const auto answersOf = [&](qint64 person) {
        goTo(person);
        std::vector<Answer> list;
        for (int r = 0; r < answers.recordCount(); ++r)
            list.push_back({answers.rowIdAt(r), answers.valueAt(r, questionColumn).toLongLong(),
                            answers.valueAt(r, answerColumn)});
        return list;
    };
    std::map<qint64, Answer> keptAnswers;
    for (const Answer& a : answersOf(plan.kept)) keptAnswers.emplace(a.question, a);
    std::map<qint64, Answer> taken; // by question, from the others
    for (qint64 other : others)
        for (const Answer& a : answersOf(other)) {
            const auto kept = keptAnswers.find(a.question);
            if (kept != keptAnswers.end() && answered(kept->second.answer)) continue;
            const auto before = taken.find(a.question);
            if (before == taken.end())
                taken.emplace(a.question, a);
            else if (!answered(before->second.answer) && answered(a.answer))
                before->second = a;
        }
    std::set<qint64> answerRowsMoved;
    std::vector<std::pair<qint64, QVariant>> keptAnswerChanges; // rowid, answer
    for (const auto& [question, a] : taken) {
        const auto kept = keptAnswers.find(question);
        if (kept == keptAnswers.end())
            answerRowsMoved.insert(a.rowid);
        else if (answered(a.answer))
            keptAnswerChanges.emplace_back(kept->second.rowid, a.answer);
    }

    // The kept contact: its chosen values, its answers, and the subprojects it has a role in.
    goTo(plan.kept);
    if (!plan.values.empty()) {
        people.edit();
        for (const auto& [column, value] : plan.values) people.setValue(column, value);
        people.post();
    }
    for (const auto& [rowid, answer] : keptAnswerChanges) {
        answers.moveTo(answers.rowOfRowid(rowid));
        answers.edit();
        answers.setValue(answerColumn, answer);
        answers.post();
    }
    const int subprojectColumn = roles.requireField(QStringLiteral("SubProjectID"));
    std::set<QString> keptSubprojects;
    for (int r = 0; r < roles.recordCount(); ++r) keptSubprojects.insert(roles.valueAt(r, subprojectColumn).toString());

    // The others: what is theirs moves, what the kept contact has already goes with them.
    const QVariant kept = plan.kept;
    for (qint64 other : others) {
        goTo(other);
        // A row given to the kept contact leaves the other's rows: the next is first again.
        for (int n = followUps.recordCount(); n > 0; --n) {
            followUps.first();
            followUps.edit();
            followUps.setValue(PersonID, kept);
            followUps.post();
        }
        for (int n = roles.recordCount(); n > 0; --n) {
            roles.first();
            if (keptSubprojects.insert(roles.text(QStringLiteral("SubProjectID"))).second) {
                roles.edit();
                roles.setValue(PersonID, kept);
                roles.post();
            } else {
                roles.remove();
            }
        }
        for (int n = answers.recordCount(); n > 0; --n) {
            answers.first();
            if (answerRowsMoved.count(answers.rowId())) {
                answers.edit();
                answers.setValue(PersonID, kept);
                answers.post();
            } else {
                answers.remove();
            }
        }
        goTo(other);
        people.remove();
    }
}

} // namespace qv
