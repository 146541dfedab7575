#pragma once

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

namespace ui {

// Shows an error that escaped a handler in the standard error box; the program goes on.
void showEscapedError(const std::exception_ptr& error);

// Wraps a handler so that every error it lets escape reaches the standard error box instead
// of the event loop. Every handler of the window is connected through it. The wrapper takes
// exactly the arguments the handler takes, so a signal's connection passes it what it needs.
template <typename Handler> class Guarded
{
public:
    explicit Guarded(Handler handler) : m_handler(std::move(handler)) {}

    template <typename... Args>
    requires std::is_invocable_v<Handler&, Args&&...>
    void operator()(Args&&... args)
    {
        try {
            m_handler(std::forward<Args>(args)...);
        } catch (...) {
            showEscapedError(std::current_exception());
        }
    }

private:
    Handler m_handler;
};

template <typename Handler> Guarded<Handler> guarded(Handler handler)
{
    return Guarded<Handler>(std::move(handler));
}

} // namespace ui
