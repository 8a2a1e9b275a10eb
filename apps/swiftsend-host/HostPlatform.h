// What the demo host does differently on each platform: finding the toolkit's windows, the
// registry it starts with, pictures of windows and the console.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace DuiLib {
class CPaintManagerUI;
}

namespace demo {

// The top-level windows of this process, in z-order from the top.
std::vector<HWND> TopLevelWindows();

// The registry the plug-in reads, from text in the "Windows Registry Editor Version 5.00" form
// (or from such a file): the stand-in's whole registry on Linux; on Windows the values are
// written into the user's registry. False when the text cannot be read.
bool LoadRegistryText(const std::string& text);
bool LoadRegistryFile(const std::string& path);

// One animated PNG, OUTPUT, of PICTURES (time in ms, PNG file), each shown as long as it was on
// screen (idle gaps shortened), one frame every FRAME_MS. False when this platform cannot or
// the tool for it is missing.
bool WriteAnimation(const std::vector<std::pair<uint64_t, std::string>>& pictures,
                    const std::string& output, uint64_t frameMs);

// True when standard output is a terminal (the live line is then rewritten in place).
bool StdoutIsTerminal();

}  // namespace demo
