// The Jet dialect's tokens: words, bracketed names, texts, numbers, #dates#, parameters.
#include "JetTokenizer.h"

namespace engine {

namespace jet {

using T = JetToken::Type;

EngineError syntaxError(const QString& what, const QString& statement)
{
    return EngineError(EngineError::Kind::Syntax,
                       QStringLiteral("SQL 陳述式有誤:%1。(%2)").arg(what, statement));
}

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_' || (c.unicode() >= 0x80 && !c.isSpace());
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || c.isDigit();
}

bool is(const JetToken& token, const char* keyword)
{
    return token.type == T::Word && token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

} // namespace jet

using jet::isWordChar;
using jet::isWordStart;
using jet::syntaxError;
using T = JetToken::Type;

std::vector<JetToken> tokenizeJet(const QString& statement)
{
    if (statement.contains(QChar(0)))
        throw syntaxError(QStringLiteral("陳述式含有 NUL 字元"), statement);
    std::vector<JetToken> tokens;
    const int n = statement.size();
    int i = 0;
    auto unterminated = [&](const char* what) {
        return syntaxError(QStringLiteral("%1沒有結束").arg(QString::fromUtf8(what)), statement);
    };
    while (i < n) {
        const int start = i;
        const QChar c = statement[i];
        JetToken::Type type;
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            while (i < n && (statement[i].isSpace() || statement[i].category() == QChar::Other_Control))
                ++i;
            type = T::Space;
        } else if (c == u'\'' || c == u'"') {
            ++i;
            while (true) {
                if (i >= n)
                    throw unterminated("文字");
                if (statement[i] == c) {
                    if (i + 1 < n && statement[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            type = c == u'\'' ? T::String : T::DqString;
        } else if (c == u'[') {
            const int close = statement.indexOf(u']', i + 1);
            if (close < 0)
                throw unterminated("方括號");
            i = close + 1;
            type = T::Bracket;
        } else if (c == u'#') {
            const int close = statement.indexOf(u'#', i + 1);
            if (close < 0)
                throw unterminated("日期");
            i = close + 1;
            type = T::Date;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && statement[i + 1].isDigit())) {
            while (i < n && statement[i].isDigit())
                ++i;
            if (i < n && statement[i] == u'.') {
                ++i;
                while (i < n && statement[i].isDigit())
                    ++i;
            }
            if (i < n && (statement[i] == u'e' || statement[i] == u'E')) {
                int j = i + 1;
                if (j < n && (statement[j] == u'+' || statement[j] == u'-'))
                    ++j;
                if (j < n && statement[j].isDigit()) {
                    i = j;
                    while (i < n && statement[i].isDigit())
                        ++i;
                }
            }
            if (i < n && isWordChar(statement[i])) {
                // 0x7DA, 12abc: not a number in this dialect.
                while (i < n && isWordChar(statement[i]))
                    ++i;
                throw syntaxError(QStringLiteral("無法辨識的數值 %1").arg(statement.mid(start, i - start)),
                                  statement);
            }
            type = T::Number;
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(statement[i]))
                ++i;
            type = T::Word;
        } else if (c == u'$' || c == u'?' || c == u'@' || c == u':') {
            ++i;
            while (i < n && isWordChar(statement[i]))
                ++i;
            type = T::Param;
        } else {
            static const QString twoChar[] = {QStringLiteral("<>"), QStringLiteral("<="),
                                              QStringLiteral(">=")};
            type = T::Punct;
            i += 1;
            for (const QString& op : twoChar)
                if (statement.mid(start, 2) == op)
                    i = start + 2;
            if (!QStringLiteral("(),.;=<>+-*/&%^\\").contains(c))
                throw syntaxError(QStringLiteral("無法辨識的字元 %1").arg(c), statement);
        }
        tokens.push_back({type, statement.mid(start, i - start), start});
    }
    return tokens;
}

} // namespace engine
