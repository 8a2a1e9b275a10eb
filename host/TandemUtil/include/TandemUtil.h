// Services of the host utility library used by the plug-in: feature switches, file types,
// text conversion, transfer texts, thumbnails, folders, the firewall rule and configuration.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TandemUtilClass {
public:
    // True when the plug-in (or feature) of that name is enabled on this computer.
    static bool IsSupportPlugin(const std::string& name);
    // The extension of PATH with its dot (".png"), as narrow text; empty without one.
    static std::string GetFileExt(const std::wstring& path);
    // True, with `isMapped` and the share path in `mapped`, when PATH lies on a mapped network
    // share.
    static bool IsNetShareMap(const std::wstring& path, std::wstring& mapped, bool* isMapped);
    // The UTF-8 form of a wide text.
    static std::string ConvertFromWideBytes(const std::wstring& text);
    // Whole texts for the service's speed and time-left values.
    static std::wstring FormatTransferSpeed(uint32_t speed);
    static std::wstring FormatTransferLeftTime(int32_t leftTime);
};

// File type of an extension and the path of that type's default icon.
int GetFileType(const std::string& ext);
std::wstring GetDefaultIconPath(int fileType);

namespace VelaShare {
// Non-zero when the folder exists or was created and may receive files. Backslashes separate
// folders as on Windows ("C:\Users\me\AppData\Roaming\..\..\Desktop").
int OnCreateDirectory(const std::wstring& path);
}  // namespace VelaShare

class PngThumbNailUtils {
public:
    // Width and height of a picture file (PNG, JPEG, BMP); false when it cannot be decoded.
    static bool GetPicSize(const std::wstring& path, int& width, int& height);
    // The thumbnail size for a picture of the given size.
    static void CalcThumbNailSize(int width, int height, int& thumbWidth, int& thumbHeight);
    // The thumbnail of a picture file as PNG bytes of the given size; false on failure.
    static bool GetThumbNail(const std::wstring& path, std::vector<uint8_t>& bytes, int width,
                             int height, uint32_t& length);
    // A thumbnail bitmap of a picture file.
    static void* GetFileThumb(const std::wstring& path, int width, int height);
};

class FireWallRuleManger {
public:
    static FireWallRuleManger& GetInstance();
    void OnServerStarted();
    // True when the rule is in place and sending may go on.
    bool TryEnableRule(const std::wstring& title, const std::wstring& text, bool silent);
    // True when the rule should be (re)enabled through the service.
    bool CheckRule();
    void EnableRuleByService();

private:
    FireWallRuleManger() = default;
};

class TandemConfig {
public:
    // True when the firewall rule may be enabled through the service.
    static bool IsAllow();
};
