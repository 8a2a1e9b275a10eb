// Skins found in a resource folder whose name is not ASCII, by a relative and a host-style path.
#include "TempPath.h"

#include <UIlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace DuiLib;

TEST(ResourceFolderTest, BuildsSkinsFromAFolderWithANonAsciiName) {
    // "ресурсы-资源" beside this process's other temporary files.
    const std::string base = testsupport::TempPath("");
    const std::string utf8 = base +
                             "\xD1\x80\xD0\xB5\xD1\x81\xD1\x83\xD1\x80\xD1\x81\xD1\x8B-"
                             "\xE8\xB5\x84\xE6\xBA\x90";
    const std::wstring wide = std::wstring(base.begin(), base.end()) +
                              L"\u0440\u0435\u0441\u0443\u0440\u0441\u044B-\u8D44\u6E90";
    const std::filesystem::path folder = std::filesystem::u8path(utf8);
    std::filesystem::create_directories(folder / "layout" / "test");
    std::ofstream(folder / "layout" / "test" / "window.xml")
        << R"(<Window size="300,100"><VerticalLayout name="body"/></Window>)";
    CPaintManagerUI::SetResourcePath(wide.c_str());

    for (const wchar_t* skin : {L"layout/test/window.xml", L"../../res/layout/test/window.xml",
                                L"layout\\test\\window.xml"}) {
        SCOPED_TRACE(std::string(skin, skin + std::wcslen(skin)));
        CPaintManagerUI manager;
        CControlUI* root = CDialogBuilder().Create(skin, nullptr, nullptr, &manager);
        ASSERT_NE(root, nullptr);
        ASSERT_TRUE(manager.AttachDialog(root));
        EXPECT_NE(manager.FindControl(L"body"), nullptr);
    }
    EXPECT_EQ(CDialogBuilder().Create(L"layout/test/missing.xml"), nullptr);

    CPaintManagerUI::SetResourcePath(L"");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace
