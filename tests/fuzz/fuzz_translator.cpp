// libFuzzer target for the Jet-to-SQLite rewriter: any text may come in. An EngineError is
// the expected answer to a statement the rewriter does not accept; every other exception, a
// crash, a sanitizer report or a hang is a bug. Cheap properties of a successful answer are
// checked on the way.
#include "engine/EngineError.h"
#include "engine/JetTranslator.h"

#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

using engine::EngineError;
using engine::JetToken;
using engine::Translation;

namespace {

[[noreturn]] void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "fuzz_translator: %s\n", what);
    // Control characters are written as escapes, so that the message shows the whole text.
    QString shown;
    for (QChar c : detail)
        shown += c.unicode() < 0x20 && c != u'\n' ? QString::asprintf("\\x%02x", c.unicode()) : QString(c);
    if (!shown.isEmpty())
        std::fprintf(stderr, "  %s\n", shown.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

void check(bool condition, const char* what, const QString& detail = QString())
{
    if (!condition)
        fail(what, detail);
}

// The tokens cover the statement exactly, in order, and each has the shape its type promises.
void checkTokens(const QString& statement, const std::vector<JetToken>& tokens)
{
    using T = JetToken::Type;
    int pos = 0;
    for (const JetToken& token : tokens) {
        check(!token.text.isEmpty(), "empty token");
        check(token.pos == pos, "token does not start where the previous one ended", token.text);
        check(statement.mid(pos, token.text.size()) == token.text, "token text differs from the statement",
              token.text);
        pos += token.text.size();
        const QString& t = token.text;
        switch (token.type) {
        case T::Bracket:
            check(t.size() >= 2 && t.front() == u'[' && t.back() == u']', "bracket token not in brackets", t);
            check(t.indexOf(u']') == t.size() - 1, "bracket token holds a closing bracket", t);
            break;
        case T::String:
            check(t.size() >= 2 && t.front() == u'\'' && t.back() == u'\'', "text token not in quotes", t);
            break;
        case T::DqString:
            check(t.size() >= 2 && t.front() == u'"' && t.back() == u'"', "text token not in double quotes",
                  t);
            break;
        case T::Date:
            check(t.size() >= 2 && t.front() == u'#' && t.back() == u'#', "date token not in #", t);
            break;
        case T::Number:
            check(t.front().isDigit() || t.front() == u'.',
                  "number token starts with neither digit nor point", t);
            break;
        default:
            break;
        }
    }
    check(pos == statement.size(), "tokens do not cover the statement");
}

bool same(const Translation& a, const Translation& b)
{
    return a.kind == b.kind && a.sql == b.sql && a.table == b.table && a.singleTable == b.singleTable &&
           a.top == b.top && a.tieKeys == b.tieKeys && a.hasRowid == b.hasRowid &&
           a.ddl.column == b.ddl.column && a.ddl.type == b.ddl.type && a.ddl.constraint == b.ddl.constraint &&
           a.ddl.columns == b.ddl.columns && a.ddl.primary == b.ddl.primary &&
           a.password.to == b.password.to && a.password.from == b.password.from;
}

void checkTranslation(const QString& statement, const Translation& t)
{
    using K = Translation::Kind;
    const QString sql = t.sql.join(QStringLiteral(" ;; "));
    switch (t.kind) {
    case K::Select:
        check(t.sql.size() == 1, "a select did not become exactly one statement", sql);
        check(t.sql.front().startsWith(QLatin1String("SELECT ")), "a select does not start with SELECT", sql);
        check(t.top >= -1, "negative TOP", sql);
        check(t.tieKeys >= 0 && (t.tieKeys == 0 || t.top >= 0), "tie keys without TOP", sql);
        check(t.hasRowid == t.singleTable, "row identity without a single table", sql);
        check(!t.singleTable || t.sql.front().contains(QLatin1String(".rowid AS [__rowid]")),
              "a single-table select lacks the rowid column", sql);
        break;
    case K::Modify:
        check(t.sql.size() == 1, "an insert, update or delete did not become exactly one statement", sql);
        break;
    case K::CreateTable:
        check(t.sql.size() >= 1 && t.sql.front().startsWith(QLatin1String("CREATE TABLE ")),
              "create table lost its CREATE TABLE", sql);
        break;
    case K::CreateIndex:
    case K::DropTable:
    case K::AddColumn:
        check(t.sql.size() == 1, "a DDL statement did not become exactly one statement", sql);
        break;
    case K::AddConstraint:
        check(!t.ddl.columns.isEmpty(), "a key without columns", sql);
        break;
    case K::AlterColumn:
        check(!t.ddl.type.isEmpty(), "alter column without a type", sql);
        break;
    case K::DropIndex:
    case K::DropConstraint:
    case K::AlterPassword:
        break;
    }
    for (const QString& one : t.sql)
        check(!one.contains(QChar(0)), "the SQLite text holds a NUL, where SQLite would end the statement",
              sql);
    // SQLite runs the first statement of a text and ignores the rest, so a semicolon may only end it.
    if (t.kind == K::Select || t.kind == K::Modify) {
        try {
            const std::vector<JetToken> out = engine::tokenizeJet(t.sql.front());
            size_t last = out.size();
            while (last > 0 && out[last - 1].type == JetToken::Type::Space)
                --last;
            for (size_t i = 0; i < out.size(); ++i)
                if (out[i].type == JetToken::Type::Punct && out[i].text == u';')
                    check(t.kind == K::Modify && i + 1 == last, "a semicolon inside the SQLite text",
                          statement + u'\n' + sql);
        } catch (const EngineError&) {
            // SQLite's dialect is not always Jet's; nothing to check then.
        }
    }
    // Text literals and plain bracketed names pass through a select or a change untouched.
    if (t.kind == K::Select || t.kind == K::Modify) {
        for (const JetToken& token : engine::tokenizeJet(statement)) {
            const bool derived =
                token.type == JetToken::Type::Bracket &&
                token.text.mid(1).trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive);
            if (token.type == JetToken::Type::String || (token.type == JetToken::Type::Bracket && !derived))
                check(sql.contains(token.text), "a literal or a bracketed name was changed",
                      token.text + u'\n' + sql);
        }
    }
}

// Whether every blank of the statement is one that SQLite also reads as a blank.
bool plainBlanks(const std::vector<JetToken>& tokens)
{
    for (const JetToken& token : tokens)
        if (token.type == JetToken::Type::Space)
            for (QChar c : token.text)
                if (!QStringLiteral(" \t\n\r\f").contains(c))
                    return false;
    return true;
}

// The same statement with every blank written as one space.
QString singleSpaced(const std::vector<JetToken>& tokens)
{
    QString out;
    for (const JetToken& token : tokens)
        out += token.type == JetToken::Type::Space ? QStringLiteral(" ") : token.text;
    return out;
}

bool sameUpToBlanks(const Translation& a, const Translation& b)
{
    if (a.sql.size() != b.sql.size())
        return false;
    for (int i = 0; i < a.sql.size(); ++i)
        if (a.sql[i].simplified() != b.sql[i].simplified())
            return false;
    return a.kind == b.kind && a.table == b.table && a.singleTable == b.singleTable && a.top == b.top &&
           a.tieKeys == b.tieKeys && a.hasRowid == b.hasRowid && a.ddl.column == b.ddl.column &&
           a.ddl.type == b.ddl.type && a.ddl.constraint == b.ddl.constraint &&
           a.ddl.columns == b.ddl.columns && a.ddl.primary == b.ddl.primary;
}

std::optional<Translation> translate(const QString& statement)
{
    try {
        return engine::translateJet(statement);
    } catch (const EngineError& error) {
        check(error.kind() == EngineError::Kind::Syntax || error.kind() == EngineError::Kind::BadValue,
              "translateJet threw an EngineError of an unexpected kind", error.message());
        check(!error.message().isEmpty(), "EngineError without a message");
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString statement = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        std::optional<std::vector<JetToken>> tokens;
        try {
            tokens = engine::tokenizeJet(statement);
        } catch (const EngineError& error) {
            check(error.kind() == EngineError::Kind::Syntax,
                  "tokenizeJet threw an EngineError other than Syntax", error.message());
        }
        if (tokens)
            checkTokens(statement, *tokens);

        const std::optional<Translation> first = translate(statement);
        const std::optional<Translation> second = translate(statement);
        check(first.has_value() == second.has_value(), "translation accepted the statement only once");
        // Only the password statement is read without the tokenizer.
        check(tokens.has_value() || !first || first->kind == Translation::Kind::AlterPassword,
              "a statement the tokenizer rejects was translated");
        if (first) {
            check(same(*first, *second), "translation is not deterministic", first->sql.join(u'\n'));
            checkTranslation(statement, *first);
        }

        // How the blanks between the words are written does not change the translation. The
        // password statement is read by blanks of its own and is left out, and so are statements
        // with blanks that SQLite does not know, which the translator may refuse.
        static const QRegularExpression password(QStringLiteral("^\\s*alter\\s+database"),
                                                 QRegularExpression::CaseInsensitiveOption);
        if (tokens && plainBlanks(*tokens) && !password.match(singleSpaced(*tokens)).hasMatch()) {
            const QString spaced = singleSpaced(*tokens);
            const std::optional<Translation> other = translate(spaced);
            check(first.has_value() == other.has_value(),
                  first ? "the statement is refused once its blanks are single spaces"
                        : "the statement is accepted only once its blanks are single spaces",
                  spaced);
            if (first)
                check(sameUpToBlanks(*first, *other), "single spaces for the blanks change the translation",
                      first->sql.join(u'\n') + u'\n' + other->sql.join(u'\n'));
        }
    } catch (const EngineError&) {
        fail("an EngineError escaped where none was expected");
    } catch (const std::exception& error) {
        fail("unexpected exception", QString::fromUtf8(error.what()));
    } catch (...) {
        fail("unexpected exception of an unknown type");
    }
    return 0;
}
