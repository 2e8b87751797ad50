// Waiting on a condition with a deadline, in place of sleeping a guessed time.
#pragma once

#include <chrono>
#include <functional>

// Polls aCondition until it holds or aTimeout passes; answers its last value.
bool WaitFor(const std::function<bool()>& aCondition,
             std::chrono::milliseconds aTimeout = std::chrono::seconds(10));
