// Edition and feature switches of the host.
#pragma once

#include <string>

class OrvSoftShelf {
public:
    static OrvSoftShelf* GetInstance();
    // True on the IT edition, which may not send files.
    static bool IsITVersion();
    // True when feature PROPERTY of PLUGIN is switched on.
    bool IsSupportProperty(const std::string& plugin, const std::string& property) const;

private:
    OrvSoftShelf() = default;
};
