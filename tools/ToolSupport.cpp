#include "ToolSupport.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

std::optional<QString> readToolPassword(const char* prompt)
{
    const bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        if (::tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios quiet = saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    std::string line;
    bool ended = true;
    for (int c; (c = std::getchar()) != EOF;) {
        ended = false;
        if (c == '\n')
            break;
        line.push_back(char(c));
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (ended)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

int usageError(const QString& tool, const QString& message, const char* usage)
{
    QTextStream(stderr) << tool << QStringLiteral(": ") << message << u'\n' << QString::fromUtf8(usage)
                        << Qt::flush;
    return 2;
}

CommandLine parseCommandLine(const QString& tool, const char* usage, const QStringList& valueOptions)
{
    CommandLine line;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool optionsOver = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsOver && argument == QLatin1String("--")) {
            optionsOver = true;
        } else if (!optionsOver && (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            QTextStream(stdout) << QString::fromUtf8(usage) << Qt::flush;
            line.exitCode = 0;
            return line;
        } else if (!optionsOver && valueOptions.contains(argument) && i + 1 < arguments.size()) {
            line.values.insert(argument, arguments[++i]);
        } else if (!optionsOver && argument.startsWith(u'-')) {
            line.exitCode = usageError(tool, QStringLiteral("不認得的選項 %1").arg(argument), usage);
            return line;
        } else {
            line.names << argument;
        }
    }
    return line;
}
