#pragma once

#include <QString>
#include <optional>

// The password for a command-line tool: asked on the terminal without echo, or read as one line
// from standard input when that is not a terminal (for scripts). Nothing when input ends first.
std::optional<QString> readToolPassword(const char* prompt);
