// Whether the converter's standard streams reach a person or a program.
#pragma once

namespace platform {

enum class StandardStream { Output, Error };

// True when `stream` is connected to a terminal.
bool IsTerminal(StandardStream stream);

}  // namespace platform
