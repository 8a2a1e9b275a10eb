// Device brand of this computer.
#pragma once

class SmBiosHelper {
public:
    // The brand service; null when it is not available.
    static SmBiosHelper* GetInstance();
    // True on a device of the second brand, which switches brand words in texts.
    bool IsLumenDevice() const;

private:
    SmBiosHelper() = default;
};
