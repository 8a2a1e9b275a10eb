// The demo host's console: log records as lines, except the progress of the running transfer,
// which updates one line in place.
#pragma once

#include <string>

namespace demo {

// Installs the console appender on the plug-in's logger (before the plug-in is loaded).
void InstallConsole(bool verbose);
// Prints a line of the demo host itself, keeping the progress line intact.
void PrintLine(const char* prefix, const std::string& text);

}  // namespace demo
