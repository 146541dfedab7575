#include "Texts.h"

namespace store {

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString quoted(const QString& name)
{
    QString doubled = name;
    doubled.replace(u'\'', QLatin1String("''"));
    return u'\'' + doubled + u'\'';
}

std::vector<int> columnWidths(int gridWidth, int columns)
{
    if (columns <= 0)
        return {};
    const int width = (gridWidth - 40) / columns;
    std::vector<int> widths(size_t(columns), width);
    widths.back() = width + 2;
    return widths;
}

namespace {

QString passwordWord(const QString& password)
{
    bool plain = !password.isEmpty() && password.compare(QLatin1String("null"), Qt::CaseInsensitive) != 0;
    for (const QChar c : password)
        plain = plain && !c.isSpace() && c != u'[' && c != u']' && c != u';' && c.unicode() >= 0x20;
    if (plain)
        return password;
    QString escaped = password;
    escaped.replace(u']', QLatin1String("]]"));
    return u'[' + escaped + u']';
}

} // namespace

QString passwordChangeStatement(const QString& newPassword, const QString& oldPassword)
{
    return QStringLiteral("ALTER DATABASE PASSWORD ") + passwordWord(newPassword) + u' ' +
           passwordWord(oldPassword);
}

QString passwordReminder()
{
    return QStringLiteral("請輸密碼,預設密碼為 ") + QString::fromUtf16(defaultPassword);
}

} // namespace store
