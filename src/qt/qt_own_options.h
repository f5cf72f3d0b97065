#pragma once

#include "startup/command_line.h"

namespace rv {

// The options every Qt program takes (-platform, -style, -display,
// -reverse, ...), single or double dash, "-style=fusion" too. The command
// line passes them over; the application object acts on them later, reading
// them from the same argv.
startup::ToolkitOptions qtOwnOptions();

} // namespace rv
