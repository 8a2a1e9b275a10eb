// The demo host's console: log records as lines, and one live line (the transfer dialog as
// text) that updates in place.
#pragma once

#include <string>

namespace demo {

// Installs the console appender on the plug-in's logger (before the plug-in is loaded).
void InstallConsole(bool verbose);
// Prints a line of the demo host itself, keeping the progress line intact.
void PrintLine(const char* prefix, const std::string& text);
// Replaces the live line.
void ShowLiveLine(const char* prefix, const std::string& text);

}  // namespace demo
