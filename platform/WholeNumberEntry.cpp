#include "platform/WholeNumberEntry.h"
#include "data/DatabaseError.h"
#include "platform/GuardedApplication.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QValidator>
#include <limits>

namespace qv {

namespace {

class WholeNumberValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        m_outOfRange.clear();
        static const QRegularExpression shape(QStringLiteral("^-?[0-9]*$"));
        if (!shape.match(input).hasMatch()) return Invalid;
        if (input.isEmpty() || input == QLatin1String("-")) return Acceptable; // still being typed
        bool ok = false;
        input.toLongLong(&ok);
        if (ok) return Acceptable;
        m_outOfRange = input;
        return Invalid;
    }

    // The number the last keystroke or paste would have made, when it was refused for its size.
    QString takeOutOfRange() const { return std::exchange(m_outOfRange, QString()); }

private:
    mutable QString m_outOfRange;
};

} // namespace

void acceptWholeNumbersOnly(QLineEdit* box)
{
    auto* validator = new WholeNumberValidator(box);
    box->setValidator(validator);
    QObject::connect(box, &QLineEdit::inputRejected, validator, [validator] {
        const QString refused = validator->takeOutOfRange();
        if (refused.isEmpty()) return; // a letter or a sign in the wrong place: simply not taken
        reportErrorLater(DatabaseError(QStringLiteral("'%1' is not a valid integer value: a whole number here lies "
                                                      "between %2 and %3.")
                                           .arg(refused)
                                           .arg(std::numeric_limits<qint64>::min())
                                           .arg(std::numeric_limits<qint64>::max())));
    });
}

} // namespace qv
