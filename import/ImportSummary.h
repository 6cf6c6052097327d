#pragma once
// What an import tells the user when it ends: "N record(s) added." as it always has, followed by what it left out
// and why, the values it cut to fit their fields (and in which records), the lines of the file whose bytes were
// not valid UTF-8, and the values that were no date or number where the field wants one. Nothing is added to the
// count line when there is nothing to say.

#include <QList>
#include <QString>
#include <map>
#include <vector>

namespace qv {

enum class LeftOut { NoName, AlreadyStored, ContactList };

class ImportSummary {
public:
    void leftOut(LeftOut reason, int count = 1) { m_leftOut[reason] += count; }
    int leftOutCount(LeftOut reason) const;
    // A value of the record named `record` was cut to the width of the field with this caption.
    void cut(const QString& record, const QString& field);
    int cutCount() const { return m_cutValues; }
    // A value of the record that is no date or no whole number, where its field wants one, was left out.
    void unreadable(const QString& record, const QString& field);
    void setReplacedLines(const QList<int>& lines) { m_replacedLines = lines; }

    QString message(int added) const;

private:
    std::map<LeftOut, int> m_leftOut;
    int m_cutValues = 0;
    std::vector<std::pair<QString, QStringList>> m_cutIn; // record and its fields, in the order met
    int m_unreadableValues = 0;
    std::vector<std::pair<QString, QStringList>> m_unreadableIn;
    QList<int> m_replacedLines;
};

} // namespace qv
