#pragma once
#include <QString>
#include <exception>
#include <utility>

// The handler of unexpected errors: an exception that escapes an operator
// action is shown with its text through the message service, and the program
// carries on. Qt lets no exception cross its event loop, so every operator
// action runs through RunAction at its boundary.
QString ExceptionText(std::exception_ptr error);
void HandleUnexpectedException(std::exception_ptr error) noexcept;

template <typename Action>
void RunAction(Action &&action) noexcept
{
    try {
        std::forward<Action>(action)();
    } catch (...) {
        HandleUnexpectedException(std::current_exception());
    }
}
