// The toolkit's texts and skins: culture texts, the string table's file form, layout, names and
// the description of lists.
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <UIlib.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace DuiLib;

// Paths on this platform carry forward slashes, the host's backslashes.
TEST(DuiBaseTest, FileNameFollowsTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(Utils::GetFileNameFromPath(L"C:\\a\\b/c.txt"), CDuiString(L"c.txt"));
}

// Printf-style placeholders, the scale and the direction show in the windows' tests.
TEST(DuiBaseTest, CultureTextsFillEveryPlaceholderAndMissingIdsStandForThemselves) {
    duistandin::SetCultureString(L"IDS_T_CASE", L"{0} of {1} files, {0}");
    EXPECT_EQ(UICulture::GetInstance()->GetMultiVarStr(L"IDS_T_CASE", {L"2", L"5"}, 0),
              CDuiString(L"2 of 5 files, 2"));
    EXPECT_EQ(UICulture::GetInstance()->GetString(L"IDS_T_MISSING"), CDuiString(L"IDS_T_MISSING"));
}

// The string table's file form: byte order mark, comments, spaces, quotes, escapes, UTF-8, and
// a later line winning.
TEST(DuiBaseTest, StringTableFileForm) {
    const std::string path = testsupport::TempPath("form.strings");
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBFIDS_FIRST = first\n"
                                             "# IDS_COMMENT = not an id\n"
                                             "  IDS_SPACES   =   text  \n"
                                             "IDS_QUOTED = \" KB\"\n"
                                             "IDS_ESCAPED = one\\ntwo\\t\\\\ three\n"
                                             "IDS_WIDE = Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80\n"
                                             "line without an equals sign\n"
                                             "IDS_AGAIN = one\nIDS_AGAIN = two\n";
    std::map<std::wstring, std::wstring> table;
    ASSERT_TRUE(duistandin::ReadStringTable(path, table));
    EXPECT_EQ(table, (std::map<std::wstring, std::wstring>{
                         {L"IDS_FIRST", L"first"},
                         {L"IDS_SPACES", L"text"},
                         {L"IDS_QUOTED", L" KB"},
                         {L"IDS_ESCAPED", L"one\ntwo\t\\ three"},
                         {L"IDS_WIDE", L"Gr\u00FC\u00DF \U0001F600"},
                         {L"IDS_AGAIN", L"two"},
                     }));
    EXPECT_FALSE(duistandin::ReadStringTable(path + ".missing", table));
}

const char* kSkin = R"(<Window size="200,100" caption="0,0,0,20">
  <Font id="0" name="DejaVu Sans" size="12"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF" inset="4,4,4,4" childpadding="2">
    <Label name="title" text="Title" height="20" textcolor="#FF202020"/>
    <HorizontalLayout name="row" height="30">
      <Button name="ok" text="OK" width="50"/>
      <Control name="fill"/>
      <Button name="cancel" width="40" padding="2,0,0,0"/>
    </HorizontalLayout>
    <List name="list" vscrollbar="true"/>
    <Control name="float" float="true" pos="10,10,30,30"/>
  </VerticalLayout>
</Window>)";

class SkinTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        CDialogBuilder builder;
        root = builder.CreateFromText(kSkin, nullptr, &manager);
        ASSERT_NE(root, nullptr);
        manager.AttachDialog(root);
        manager.Paint();
    }
    RECT Pos(const wchar_t* name) { return manager.FindControl(name)->GetPos(); }
    CPaintManagerUI manager;
    CControlUI* root = nullptr;
};

TEST_F(SkinTest, LayoutAndNames) {
    struct Expected {
        const wchar_t* name;
        RECT rc;
    } expected[] = {
        {L"title", {4, 4, 196, 24}},  {L"row", {4, 26, 196, 56}},      {L"ok", {4, 26, 54, 56}},
        {L"fill", {54, 26, 154, 56}}, {L"cancel", {156, 26, 196, 56}}, {L"list", {4, 58, 196, 96}},
        {L"float", {10, 10, 30, 30}},
    };
    for (const auto& e : expected) {
        RECT rc = Pos(e.name);
        EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}),
                  (std::vector<LONG>{e.rc.left, e.rc.top, e.rc.right, e.rc.bottom}))
            << e.name;
    }

    // Names follow controls in and out.
    auto* row = static_cast<CContainerUI*>(manager.FindControl(L"row"));
    auto* extra = new CLabelUI;
    extra->SetName(L"extra");
    row->Add(extra);
    EXPECT_EQ(manager.FindControl(L"extra"), extra);
    EXPECT_EQ(manager.FindSubControlByName(row, L"cancel"), manager.FindControl(L"cancel"));
    row->Remove(extra);
    EXPECT_EQ(manager.FindControl(L"extra"), nullptr);
}

// The demo's UI trace reads list rows from the description.
TEST_F(SkinTest, ListRowsAreDescribed) {
    auto* list = static_cast<CListUI*>(manager.FindControl(L"list"));
    for (int i = 0; i < 3; ++i) {
        auto* row = new CListContainerElementUI;
        row->SetFixedHeight(20);
        auto* label = new CLabelUI;
        label->SetName(L"row_label");
        label->SetText(std::to_wstring(i).c_str());
        row->Add(label);
        list->Add(row);
    }
    manager.Paint();
    const std::string json = duistandin::DescribeJson(&manager);
    EXPECT_NE(json.find("\"rows\":[{\"id\":0,\"row_label\":{\"text\":\"0\""), std::string::npos)
        << json;
}

}  // namespace
