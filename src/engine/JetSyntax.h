#pragma once

#include "JetTokenizer.h"
#include "Translation.h"

#include <vector>

// What the translator's files share: a cursor over a statement's meaningful tokens, and the
// translation of the table statements (JetDdl.cpp).
namespace engine::jet {

using T = JetToken::Type;

// Jet compares, groups and orders text without regard to letter case. SQLite's own NOCASE
// collation does the same for Latin letters (Han has no case), and any SQLite reads it.
inline const QString noCase = QStringLiteral("COLLATE NOCASE");

// A statement as its meaningful tokens, blanks dropped, with a cursor.
class Cursor
{
public:
    Cursor(std::vector<JetToken> tokens, const QString& statement) : m_statement(statement)
    {
        for (auto& token : tokens)
            if (token.type != T::Space)
                m_tokens.push_back(std::move(token));
    }

    bool atEnd() const { return m_index >= m_tokens.size(); }
    const JetToken& peek(size_t ahead = 0) const
    {
        static const JetToken end{T::Space, QString(), -1};
        return m_index + ahead < m_tokens.size() ? m_tokens[m_index + ahead] : end;
    }
    const JetToken& take()
    {
        if (atEnd())
            throw syntaxError(QStringLiteral("陳述式不完整"), m_statement);
        return m_tokens[m_index++];
    }
    bool accept(const char* keyword)
    {
        if (is(peek(), keyword)) {
            ++m_index;
            return true;
        }
        return false;
    }
    void expect(const char* keyword)
    {
        if (!accept(keyword))
            throw syntaxError(QStringLiteral("這裡應該是 %1").arg(QLatin1String(keyword)), m_statement);
    }
    bool acceptPunct(const char* punct)
    {
        if (peek().type == T::Punct && peek().text == QLatin1String(punct)) {
            ++m_index;
            return true;
        }
        return false;
    }
    void expectPunct(const char* punct)
    {
        if (!acceptPunct(punct))
            throw syntaxError(QStringLiteral("這裡應該是 %1").arg(QLatin1String(punct)), m_statement);
    }
    QString name()
    {
        const JetToken& token = take();
        if (token.type == T::Word)
            return token.text;
        if (token.type == T::Bracket)
            return token.text.mid(1, token.text.size() - 2);
        throw syntaxError(QStringLiteral("這裡應該是名稱,而不是 %1").arg(token.text), m_statement);
    }
    void expectEnd()
    {
        acceptPunct(";");
        if (!atEnd())
            throw syntaxError(QStringLiteral("多出了 %1").arg(peek().text), m_statement);
    }
    const QString& statement() const { return m_statement; }

private:
    std::vector<JetToken> m_tokens;
    size_t m_index = 0;
    QString m_statement;
};

// CREATE TABLE and ALTER TABLE, from just after those words.
Translation translateCreateTable(Cursor& c);
Translation translateAlterTable(Cursor& c);

} // namespace engine::jet
