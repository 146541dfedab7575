#pragma once

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

namespace ui {

// Shows an error that escaped a handler in the standard error box; the program goes on.
void showEscapedError(const std::exception_ptr& error);

// Wraps a handler so that every error it lets escape reaches the standard error box instead
// of the event loop. Every handler of the window is connected through it.
template <typename Handler>
auto guarded(Handler handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable {
        try {
            if constexpr (std::is_invocable_v<Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (...) {
            showEscapedError(std::current_exception());
        }
    };
}

} // namespace ui
