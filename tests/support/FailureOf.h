// The message of the library error an action raises, or "(no failure)" when
// it raises none: lets a table of cases compare messages directly.
#pragma once

#include <functional>
#include <string>

std::u16string FailureOf(const std::function<void()>& aAction);
