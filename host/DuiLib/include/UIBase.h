// The UI toolkit's basic types: strings, colours, texts of the current culture, DPI scaling,
// notifications, and the text and image painting helpers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CDuiString {
public:
    CDuiString() = default;
    CDuiString(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT: implicit like LPCTSTR
    CDuiString(std::wstring text) : text_(std::move(text)) {}      // NOLINT
    operator const wchar_t*() const { return text_.c_str(); }      // NOLINT
    bool IsEmpty() const { return text_.empty(); }
    const std::wstring& str() const { return text_; }
    bool operator==(const CDuiString& other) const { return text_ == other.text_; }
    bool operator!=(const CDuiString& other) const { return text_ != other.text_; }
    bool operator==(const wchar_t* other) const { return text_ == (other ? other : L""); }
    bool operator!=(const wchar_t* other) const { return !(*this == other); }
    // The decimal number the text starts with (after leading blanks, with an optional sign);
    // NOT_A_NUMBER (if given) is set when the text holds no number at all, and 0 is returned.
    int ToInt(bool* notANumber = nullptr) const;

private:
    std::wstring text_;
};

namespace Utils {
// "#AARRGGBB", "#RRGGBB" (opaque), "0xAARRGGBB" or a decimal number; 0 for anything else.
DWORD GetColorFromString(const wchar_t* text);
// The part after the last '\' or '/'.
CDuiString GetFileNameFromPath(const wchar_t* path);
}  // namespace Utils

// Texts and reading direction of the user's language.
class UICulture {
public:
    static UICulture* GetInstance();
    // The text of string id ID; the id itself when the table has no text for it.
    CDuiString GetString(const wchar_t* id) const;
    // The text of ID with its "%d", "%s" or "%u" replaced by the arguments in order, and each
    // "{N}" by argument N (counted from 0) among the arguments no "%" placeholder took;
    // RESERVED is 0. When the first argument is a whole number, the text is the plural form
    // of ID for that number in the culture's language: "ID[one]", "ID[few]", ... as ICU's
    // plural rules choose, else "ID[other]", else ID.
    CDuiString GetMultiVarStr(const wchar_t* id, const std::vector<CDuiString>& args,
                              int reserved) const;
    // 0 left to right, 1 right to left.
    int getDirection() const;
};

// DPI scaling of design pixels.
class CResourceManager {
public:
    static CResourceManager* GetInstance();
    // Percent: 100, 125, 150 or 200.
    int GetScale() const;
    int Scale(int designPixels) const;
};

// A notification from a control to the window's notifiers.
struct TNotifyUI {
    CDuiString sType;  // "click", "mouseenter", "mouseleave", "buttondown"
    CControlUI* pSender = nullptr;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

class UIPainter {
public:
    // Draws the image file IMAGE (a PNG under the resource folder) scaled into RC.
    static bool DrawImage(HDC hDC, CPaintManagerUI* manager, const RECT& rc, const RECT& rcPaint,
                          const CDuiString& image);
};

class CRenderEngine {
public:
    // Draws TEXT into RC with FONT (an index of the skin's fonts, -1 the default) and STYLE
    // (DT_ flags). With DT_CALCRECT nothing is drawn and RC gets the size the text needs.
    static void DrawText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const CDuiString& text,
                         DWORD color, int font, UINT style);
};

}  // namespace DuiLib
