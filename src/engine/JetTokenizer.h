#pragma once

#include "EngineError.h"

#include <QString>
#include <vector>

// The tokens of a Jet statement: the translator rewrites tokens, so that text literals and
// bracketed names are never touched by accident.
namespace engine {

struct JetToken
{
    enum class Type
    {
        Word,
        Bracket,
        String,
        DqString,
        Number,
        Date,
        Param,
        Punct,
        Space
    };
    Type type;
    QString text; // the token as written
    int pos = 0;
};

// Throws EngineError (Syntax) for an unterminated literal or a character Jet does not know.
std::vector<JetToken> tokenizeJet(const QString& statement);

namespace jet {

// The error for a statement Jet would refuse, and the tests of a character and a token.
EngineError syntaxError(const QString& what, const QString& statement);
bool isWordStart(QChar c);
bool isWordChar(QChar c);
bool is(const JetToken& token, const char* keyword);

} // namespace jet

} // namespace engine
