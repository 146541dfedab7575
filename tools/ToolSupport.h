#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// What the command-line tools share: their arguments and the password they ask for.

struct CommandLine
{
    QStringList names;
    QHash<QString, QString> values; // the options that take a value, by name
    // Set when the tool is done already: its help shown (0), or a wrong option told (2).
    std::optional<int> exitCode;
};

// Reads the arguments: -h or --help shows the usage; "--" makes every later argument a name;
// any other argument starting with "-" is refused, naming it, unless it is one of valueOptions,
// which take the next argument as their value.
// Tells what is wrong with the command line, then the usage, on stderr; the tool ends with 2.
int usageError(const QString& tool, const QString& message, const char* usage);

CommandLine parseCommandLine(const QString& tool, const char* usage, const QStringList& valueOptions = {});

// The password for a command-line tool: asked on the terminal without echo, or read as one line
// from standard input when that is not a terminal (for scripts). Nothing when input ends first.
std::optional<QString> readToolPassword(const char* prompt);
