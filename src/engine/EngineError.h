#pragma once

#include <QString>
#include <stdexcept>

namespace engine {

// Every failure of the database layer. The message is what a person reads in the
// error box: a Traditional Chinese sentence for the common cases, followed by the
// engine's own detail where there is one.
class EngineError : public std::runtime_error
{
public:
    enum class Kind
    {
        WrongPassword,
        MissingFile,
        FileInUse,
        NotADatabase,
        ReadOnly,
        NotOpen,
        KeyViolation,
        BadValue,
        Syntax,
        ReadOnlyResult,
        NoCurrentRow,
        FileMoved,
        Other,
        // The user has been told already (a refused cell edit stopping a store); nothing more to show.
        Aborted,
    };

    EngineError(Kind kind, const QString& message);

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};

} // namespace engine
