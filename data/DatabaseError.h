#pragma once
#include <QString>
#include <stdexcept>

namespace qv {

// Every failure of the data layer carries the text the user is shown.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message, int code = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_code(code)
    {}
    QString message() const { return m_message; }
    int code() const { return m_code; } // SQLite's result code, 0 when the error is our own
private:
    QString m_message;
    int m_code;
};

// A before-post rule that refuses a post without a message (the rule has already told the user, if at all).
class PostRefused : public DatabaseError {
public:
    PostRefused() : DatabaseError(QStringLiteral("Operation aborted")) {}
};

// A save or a delete that no longer finds its row as this copy of the program read it: another copy changed or
// deleted it meanwhile.
class RowNotLocated : public DatabaseError {
public:
    RowNotLocated()
        : DatabaseError(QStringLiteral(
              "Row cannot be located for updating. Some values may have been changed since it was last read."))
    {}
};

} // namespace qv
