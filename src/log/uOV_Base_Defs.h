// Kinds of log entries.
#pragma once

#include <cstdint>

enum tOV_MessageType : uint8_t { let_info = 0, let_error = 1 };
