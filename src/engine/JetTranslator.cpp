#include "JetTranslator.h"

#include "Conversions.h"
#include "EngineError.h"
#include "JetSyntax.h"

#include <QHash>
#include <QRegularExpression>

namespace engine {

namespace {

using T = JetToken::Type;
using jet::Cursor;
using jet::is;
using jet::isWordChar;
using jet::noCase;
using jet::syntaxError;

QString rewriteTokens(const std::vector<JetToken>& tokens, const QString& statement);

JetToken collateToken()
{
    return JetToken{T::Word, noCase, -1};
}

bool isPunct(const JetToken& token, const char* text)
{
    return token.type == T::Punct && token.text == QLatin1String(text);
}

bool isComparison(const JetToken& token)
{
    if (token.type != T::Punct)
        return false;
    for (const char* op : {"=", "<>", "<", ">", "<=", ">="})
        if (token.text == QLatin1String(op))
            return true;
    return false;
}

size_t nextMeaningful(const std::vector<JetToken>& tokens, size_t i)
{
    while (i < tokens.size() && tokens[i].type == T::Space)
        ++i;
    return i;
}

// A column tested with IN (or NOT IN) compares with the list's values without regard to case,
// as = does: the collation follows the column, where the index on it can serve the test.
void caselessMembership(std::vector<JetToken>& out)
{
    size_t at = out.size(); // one past the operand's last token
    auto skipBack = [&] {
        while (at > 0 && out[at - 1].type == T::Space)
            --at;
    };
    skipBack();
    if (at > 0 && is(out[at - 1], "not")) {
        --at;
        skipBack();
    }
    if (at == 0 || (out[at - 1].type != T::Word && out[at - 1].type != T::Bracket))
        return;
    for (const char* keyword : {"where", "and", "or", "not", "on", "having", "when", "then", "else", "select",
                                "null", "collate", "nocase"})
        if (is(out[at - 1], keyword))
            return;
    out.insert(out.begin() + qsizetype(at), {JetToken{T::Space, QStringLiteral(" "), -1}, collateToken()});
}

// The right side of each comparison, where it is a text, a date or a column, compares without
// regard to case. A longer expression on the right is left as it is.
std::vector<JetToken> caselessComparisons(const std::vector<JetToken>& tokens)
{
    std::vector<JetToken> out;
    out.reserve(tokens.size() + 4);
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (is(tokens[i], "in")) {
            const size_t next = nextMeaningful(tokens, i + 1);
            if (next < tokens.size() && isPunct(tokens[next], "("))
                caselessMembership(out);
        }
        out.push_back(tokens[i]);
        if (!isComparison(tokens[i]))
            continue;
        size_t j = nextMeaningful(tokens, i + 1);
        if (j >= tokens.size())
            continue;
        const T type = tokens[j].type;
        size_t end = j; // last token of the operand
        if (type == T::Word || type == T::Bracket) {
            if (is(tokens[j], "select") || is(tokens[j], "not") || is(tokens[j], "null"))
                continue;
            // A dotted name: table.column
            while (end + 2 < tokens.size() && isPunct(tokens[end + 1], ".") &&
                   (tokens[end + 2].type == T::Word || tokens[end + 2].type == T::Bracket))
                end += 2;
        } else if (type != T::String && type != T::Date) {
            continue;
        }
        const size_t after = nextMeaningful(tokens, end + 1);
        if (after < tokens.size() && tokens[after].type == T::Punct &&
            QStringLiteral("(.+-*/&%^\\").contains(tokens[after].text))
            continue;
        for (size_t k = i + 1; k <= end; ++k)
            out.push_back(tokens[k]);
        out.push_back(JetToken{T::Space, QStringLiteral(" "), -1});
        out.push_back(collateToken());
        i = end;
    }
    return out;
}

// Every key of the top-level GROUP BY and ORDER BY clauses compares without regard to case.
std::vector<JetToken> caselessKeys(const std::vector<JetToken>& tokens)
{
    std::vector<JetToken> out;
    out.reserve(tokens.size() + 8);
    int depth = 0;
    bool inKeys = false;
    auto closeKey = [&out] {
        // Before a trailing ASC or DESC, after the key's last meaningful token.
        size_t at = out.size();
        while (at > 0 && out[at - 1].type == T::Space)
            --at;
        if (at > 0 && (is(out[at - 1], "asc") || is(out[at - 1], "desc"))) {
            --at;
            while (at > 0 && out[at - 1].type == T::Space)
                --at;
        }
        if (at == 0 || is(out[at - 1], "by"))
            return;
        out.insert(out.begin() + qsizetype(at),
                   {JetToken{T::Space, QStringLiteral(" "), -1}, collateToken()});
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const JetToken& token = tokens[i];
        if (isPunct(token, "("))
            ++depth;
        else if (isPunct(token, ")"))
            --depth;
        if (depth == 0) {
            if (inKeys && (isPunct(token, ",") || is(token, "having") || is(token, "order") ||
                           is(token, "union") || is(token, "limit"))) {
                closeKey();
                inKeys = isPunct(token, ",");
            }
            if ((is(token, "group") || is(token, "order"))) {
                const size_t by = nextMeaningful(tokens, i + 1);
                if (by < tokens.size() && is(tokens[by], "by")) {
                    for (size_t k = i; k <= by; ++k)
                        out.push_back(tokens[k]);
                    i = by;
                    inKeys = true;
                    continue;
                }
            }
        }
        out.push_back(token);
    }
    if (inKeys)
        closeKey();
    return out;
}

Translation translateSelect(const QString& statement, bool nested);
bool isDerivedTable(const std::vector<JetToken>& tokens, size_t i);

QString rewriteToken(const JetToken& token, const std::vector<JetToken>& tokens, size_t& i,
                     const QString& statement)
{
    switch (token.type) {
    case T::Bracket: {
        // A derived table: [SELECT ...]. AS [alias]
        if (isDerivedTable(tokens, i)) {
            const QString inner = token.text.mid(1, token.text.size() - 2);
            while (!(tokens[i].type == T::Punct && tokens[i].text == u'.'))
                ++i;
            return QStringLiteral("(") + translateSelect(inner, true).sql.front() + QStringLiteral(")");
        }
        return token.text;
    }
    case T::DqString: {
        QString inner = token.text.mid(1, token.text.size() - 2);
        inner.replace(QLatin1String("\"\""), QLatin1String("\""));
        inner.replace(u'\'', QLatin1String("''"));
        return u'\'' + inner + u'\'';
    }
    case T::Date: {
        QString stored;
        if (!parseDateText(token.text.mid(1, token.text.size() - 2), &stored))
            throw syntaxError(QStringLiteral("無法辨識的日期 %1").arg(token.text), statement);
        return u'\'' + stored + u'\'';
    }
    case T::Param:
        throw syntaxError(QStringLiteral("缺少參數 %1 的值").arg(token.text), statement);
    case T::Punct:
        if (token.text == u'&')
            return QStringLiteral("||");
        return token.text;
    case T::Space:
        // Blanks SQLite does not know (an ideographic space, a control character) become one.
        return QStringLiteral(" ");
    default:
        return token.text;
    }
}

QString rewriteTokens(const std::vector<JetToken>& tokens, const QString& statement)
{
    QString out;
    out.reserve(statement.size() + 16);
    for (size_t i = 0; i < tokens.size(); ++i)
        out += rewriteToken(tokens[i], tokens, i, statement);
    return out;
}

// Index of the next token at bracket depth 0 (parentheses) that is one of the keywords, or end.
size_t findTopLevel(const std::vector<JetToken>& tokens, size_t from,
                    std::initializer_list<const char*> keywords)
{
    int depth = 0;
    for (size_t i = from; i < tokens.size(); ++i) {
        const JetToken& token = tokens[i];
        if (token.type == T::Punct) {
            if (token.text == u'(')
                ++depth;
            else if (token.text == u')')
                --depth;
        } else if (depth == 0) {
            for (const char* keyword : keywords)
                if (is(token, keyword))
                    return i;
        }
    }
    return tokens.size();
}

std::vector<JetToken> slice(const std::vector<JetToken>& tokens, size_t from, size_t to)
{
    return std::vector<JetToken>(tokens.begin() + qMin(from, tokens.size()),
                                 tokens.begin() + qMin(to, tokens.size()));
}

bool meaningful(const JetToken& token)
{
    return token.type != T::Space;
}

// [SELECT ...]. : a bracket that holds a select and is followed by a dot.
bool isDerivedTable(const std::vector<JetToken>& tokens, size_t i)
{
    if (tokens[i].type != T::Bracket)
        return false;
    const QString inner = tokens[i].text.mid(1, tokens[i].text.size() - 2).trimmed();
    if (!inner.startsWith(QLatin1String("select"), Qt::CaseInsensitive) ||
        (inner.size() > 6 && isWordChar(inner[6])))
        return false;
    size_t next = i + 1;
    while (next < tokens.size() && !meaningful(tokens[next]))
        ++next;
    return next < tokens.size() && tokens[next].type == T::Punct && tokens[next].text == u'.';
}

// The statement's tokens without one closing semicolon; a semicolon anywhere else would end
// the statement early and hide the rest, so it is refused.
std::vector<JetToken> withoutClosingSemicolon(std::vector<JetToken> tokens, const QString& statement)
{
    int last = -1;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (meaningful(tokens[i]))
            last = int(i);
    for (size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].type == T::Punct && tokens[i].text == u';' && int(i) != last)
            throw syntaxError(QStringLiteral("多出了 ; 之後的文字"), statement);
    if (last >= 0 && tokens[size_t(last)].type == T::Punct && tokens[size_t(last)].text == u';')
        tokens.resize(size_t(last));
    return tokens;
}

// The ORDER BY items, each without its ASC/DESC word.
std::vector<std::vector<JetToken>> orderKeys(const std::vector<JetToken>& clause)
{
    std::vector<std::vector<JetToken>> keys(1);
    int depth = 0;
    for (const JetToken& token : clause) {
        if (token.type == T::Punct && token.text == u'(')
            ++depth;
        if (token.type == T::Punct && token.text == u')')
            --depth;
        if (depth == 0 && token.type == T::Punct && token.text == u',') {
            keys.emplace_back();
            continue;
        }
        keys.back().push_back(token);
    }
    for (auto& key : keys) {
        while (!key.empty() && !meaningful(key.back()))
            key.pop_back();
        if (!key.empty() && (is(key.back(), "asc") || is(key.back(), "desc")))
            key.pop_back();
        while (!key.empty() && !meaningful(key.back()))
            key.pop_back();
    }
    return keys;
}

QString rowidColumn(const QString& table)
{
    return QStringLiteral(", %1.rowid AS [__rowid]").arg(quoteName(table));
}

Translation translateSelect(const QString& statement, bool nested)
{
    const std::vector<JetToken> tokens =
        caselessComparisons(withoutClosingSemicolon(tokenizeJet(statement), statement));
    Translation result;
    result.kind = Translation::Kind::Select;

    size_t i = 0;
    while (i < tokens.size() && !meaningful(tokens[i]))
        ++i;
    if (i >= tokens.size() || !is(tokens[i], "select"))
        throw syntaxError(QStringLiteral("查詢必須以 SELECT 開頭"), statement);
    ++i;

    // Everything between SELECT and the select list proper: DISTINCT, TOP n.
    bool distinct = false;
    auto skipSpace = [&] {
        while (i < tokens.size() && !meaningful(tokens[i]))
            ++i;
    };
    skipSpace();
    if (i < tokens.size() && (is(tokens[i], "distinct") || is(tokens[i], "distinctrow"))) {
        distinct = true;
        ++i;
        skipSpace();
    }
    if (i < tokens.size() && is(tokens[i], "top")) {
        ++i;
        skipSpace();
        bool ok = false;
        const int n = i < tokens.size() && tokens[i].type == T::Number ? tokens[i].text.toInt(&ok) : 0;
        if (!ok || n < 0)
            throw syntaxError(QStringLiteral("TOP 之後應該是筆數"), statement);
        result.top = n;
        ++i;
        skipSpace();
        if (i < tokens.size() && is(tokens[i], "percent"))
            throw syntaxError(QStringLiteral("不支援 TOP ... PERCENT"), statement);
    }
    const size_t listStart = i;
    const size_t from = findTopLevel(tokens, listStart, {"from"});
    const size_t tail = findTopLevel(tokens, from, {"where", "group", "order", "having", "union"});
    const size_t order = findTopLevel(tokens, from, {"order"});

    const auto list = slice(tokens, listStart, from);
    const auto fromClause = slice(tokens, from + 1, tail);

    // A plain select of one table keeps the row's identity, so its rows can be changed in place.
    std::vector<JetToken> fromWords;
    for (const auto& token : fromClause)
        if (meaningful(token))
            fromWords.push_back(token);
    bool aggregate = false;
    for (const auto& token : list)
        for (const char* fn : {"sum", "avg", "max", "min", "count", "first", "last", "stdev", "var"})
            if (is(token, fn))
                aggregate = true;
    const bool grouped = findTopLevel(tokens, from, {"group", "having", "union"}) < tokens.size();
    if (!nested && from < tokens.size() && fromWords.size() == 1 && !distinct && !aggregate && !grouped &&
        (fromWords[0].type == T::Word || fromWords[0].type == T::Bracket)) {
        result.singleTable = true;
        result.table = fromWords[0].type == T::Word ? fromWords[0].text
                                                    : fromWords[0].text.mid(1, fromWords[0].text.size() - 2);
    }

    if (result.singleTable && order < tokens.size()) {
        const size_t by = findTopLevel(tokens, order, {"by"});
        std::vector<std::vector<JetToken>> keys(1);
        for (const JetToken& token : slice(tokens, by + 1, tokens.size())) {
            if (isPunct(token, ","))
                keys.emplace_back();
            else if (meaningful(token))
                keys.back().push_back(token);
        }
        for (const auto& key : keys) {
            const bool descending = key.size() == 2 && is(key[1], "desc");
            const bool plain = (key.size() == 1 || (key.size() == 2 && (descending || is(key[1], "asc")))) &&
                               (key[0].type == T::Word || key[0].type == T::Bracket);
            if (!plain) {
                result.order.plain = false;
                result.order.columns.clear();
                result.order.descending.clear();
                break;
            }
            result.order.columns << (key[0].type == T::Word ? key[0].text
                                                            : key[0].text.mid(1, key[0].text.size() - 2));
            result.order.descending.push_back(descending);
        }
    }

    QString hidden;
    if (result.singleTable) {
        hidden += rowidColumn(result.table);
        result.hasRowid = true;
    }
    QString limit;
    if (result.top >= 0) {
        if (order < tokens.size() && !nested) {
            // Jet's TOP keeps every row tied with the last one on the ORDER BY keys; the keys
            // travel as hidden columns so the reader can tell where the ties end.
            const size_t by = findTopLevel(tokens, order, {"by"});
            for (const auto& key : orderKeys(slice(tokens, by + 1, tokens.size())))
                hidden += QStringLiteral(", (") + rewriteTokens(key, statement) +
                          QStringLiteral(") AS [__tie%1]").arg(++result.tieKeys);
        } else {
            limit = QStringLiteral(" LIMIT %1").arg(result.top);
        }
    }

    QString sql = QStringLiteral("SELECT ");
    if (distinct)
        sql += QStringLiteral("DISTINCT ");
    sql += rewriteTokens(list, statement).trimmed();
    sql += hidden;
    QString source;
    if (from < tokens.size()) {
        source = rewriteTokens(caselessKeys(slice(tokens, from, tokens.size())), statement).trimmed();
        sql += u' ' + source;
    }
    sql += limit;
    result.sql << sql;
    if (result.singleTable && result.top < 0) {
        result.from.ordered = source;
        result.from.unordered = rewriteTokens(slice(tokens, from, order), statement).trimmed();
    }
    return result;
}

} // namespace

QString jetIndexName(const QString& table, const QString& name, bool primary, bool unique)
{
    const char* prefix = primary ? "pk" : unique ? "uq" : "ix";
    return QStringLiteral("%1:%2:%3").arg(QLatin1String(prefix), table.toLower(), name);
}

QString quoteName(const QString& name)
{
    return u'[' + name + u']';
}

void withoutRowid(Translation& t)
{
    if (!t.hasRowid || t.sql.size() != 1)
        return;
    const QString hidden = rowidColumn(t.table);
    const qsizetype at = t.sql.front().indexOf(hidden);
    if (at >= 0)
        t.sql.front().remove(at, hidden.size());
    t.hasRowid = false;
    t.singleTable = false;
    t.order = {};
    t.order.plain = false;
    t.from = {};
}

Translation translateJet(const QString& statement)
{
    // Passwords may hold any character but blanks, so this statement is split on blanks alone.
    static const QRegularExpression alterPassword(
        QStringLiteral("^\\s*ALTER\\s+DATABASE\\s+PASSWORD(?:\\s+(.*?))?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto match = alterPassword.match(statement); match.hasMatch()) {
        // A bracketed word may hold blanks; a closing bracket inside it is doubled.
        static const QRegularExpression word(QStringLiteral("\\[(?:[^\\]]|\\]\\])*\\](?!\\])|\\S+"));
        QStringList words;
        for (auto it = word.globalMatch(match.captured(1)); it.hasNext();)
            words << it.next().captured();
        if (words.size() != 2)
            throw syntaxError(
                QStringLiteral("ALTER DATABASE PASSWORD 之後應該是新密碼和舊密碼,中間以空白分開"), statement);
        auto password = [](QString text) {
            if (text.size() >= 2 && text.startsWith(u'[') && text.endsWith(u']'))
                return text.mid(1, text.size() - 2).replace(QLatin1String("]]"), QLatin1String("]"));
            return text.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0 ? QString() : text;
        };
        Translation result;
        result.kind = Translation::Kind::AlterPassword;
        result.password.to = password(words[0]);
        result.password.from = password(words[1]);
        return result;
    }

    Cursor c(tokenizeJet(statement), statement);
    if (is(c.peek(), "select"))
        return translateSelect(statement, false);

    if (c.accept("create")) {
        if (c.accept("table"))
            return translateCreateTable(c);
        const bool unique = c.accept("unique");
        c.expect("index");
        Translation result;
        result.kind = Translation::Kind::CreateIndex;
        result.ddl.constraint = c.name();
        c.expect("on");
        result.table = c.name();
        c.expectPunct("(");
        QStringList columns;
        do {
            columns << quoteName(c.name()) + u' ' + noCase;
            if (c.accept("desc"))
                columns.last() += QStringLiteral(" DESC");
            else
                c.accept("asc");
        } while (c.acceptPunct(","));
        c.expectPunct(")");
        c.expectEnd();
        result.sql << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(unique ? QStringLiteral("UNIQUE ") : QString(),
                               quoteName(jetIndexName(result.table, result.ddl.constraint, false, unique)),
                               quoteName(result.table), columns.join(u','));
        return result;
    }
    if (c.accept("drop")) {
        Translation result;
        if (c.accept("table")) {
            result.kind = Translation::Kind::DropTable;
            result.table = c.name();
            c.expectEnd();
            result.sql << QStringLiteral("DROP TABLE %1").arg(quoteName(result.table));
            return result;
        }
        c.expect("index");
        result.kind = Translation::Kind::DropIndex;
        result.ddl.constraint = c.name();
        c.expect("on");
        result.table = c.name();
        c.expectEnd();
        return result;
    }
    if (c.accept("alter")) {
        if (c.accept("table"))
            return translateAlterTable(c);
        throw syntaxError(QStringLiteral("ALTER 之後應該是 TABLE 或 DATABASE PASSWORD"), statement);
    }

    const JetToken& first = c.peek();
    if (is(first, "update") || is(first, "delete") || is(first, "insert")) {
        std::vector<JetToken> tokens = withoutClosingSemicolon(tokenizeJet(statement), statement);
        // Jet allows "DELETE * FROM t".
        if (is(first, "delete")) {
            size_t i = 0;
            while (!is(tokens[i], "delete"))
                ++i;
            for (size_t j = i + 1; j < tokens.size(); ++j) {
                if (!meaningful(tokens[j]))
                    continue;
                if (tokens[j].type == T::Punct && tokens[j].text == u'*')
                    tokens.erase(tokens.begin() + j);
                break;
            }
        }
        Translation result;
        result.kind = Translation::Kind::Modify;
        result.sql << rewriteTokens(caselessComparisons(tokens), statement).trimmed();
        result.modify.inserts = is(first, "insert");
        // The table changed: UPDATE t, DELETE FROM t, INSERT INTO t.
        Cursor words(tokens, statement);
        words.take();
        if (result.modify.inserts)
            words.accept("into");
        else
            words.accept("from");
        if (words.peek().type == T::Word || words.peek().type == T::Bracket)
            result.table = words.name();
        // The rows an UPDATE or DELETE changes, as a select of their rowids.
        if (!result.modify.inserts && !result.table.isEmpty()) {
            const size_t where = findTopLevel(tokens, 0, {"where"});
            result.modify.changedRows = QStringLiteral("SELECT rowid FROM ") + quoteName(result.table);
            if (where < tokens.size())
                result.modify.changedRows +=
                    u' ' + rewriteTokens(caselessComparisons(slice(tokens, where, tokens.size())), statement)
                               .trimmed();
        }
        return result;
    }
    throw syntaxError(QStringLiteral("不支援的陳述式"), statement);
}

} // namespace engine
