#include "ToolPassword.h"

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
