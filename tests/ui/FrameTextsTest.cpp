// The escape rules of menu texts and the tooltip answer.
#include <cstring>
#include <string>

#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/Menu.h"
#include "resources/Resource.h"
#include "tests/ui/UiFixture.h"
#include "ui/FrameTexts.h"
#include "ui/MainFrm.h"

namespace {

std::string Escaped(const char* text) {
    std::string buf(text);
    buf.push_back('\0');
    EXPECT_EQ(CMainFrame::ReplaceEscapeChars(buf.data()), S_OK);
    return std::string(buf.c_str());
}

TEST(ReplaceEscapeChars, ResolvesTheThreeEscapesAndDropsTheRest) {
    EXPECT_EQ(Escaped("&New\\tCtrl+N"), "&New\tCtrl+N");
    EXPECT_EQ(Escaped("a\\\\b"), "a\\b");
    EXPECT_EQ(Escaped("bell\\a"), "bell\a");
    EXPECT_EQ(Escaped("x\\qy"), "xy");
    EXPECT_EQ(Escaped("end\\"), "end");
    EXPECT_EQ(Escaped(""), "");
    EXPECT_EQ(CMainFrame::ReplaceEscapeChars(nullptr), E_INVALIDARG);
}

TEST(FrameTextTables, CommandsMapToTheirTexts) {
    EXPECT_EQ(FindMenuTextID(ID_FILE_NEW), 1);
    EXPECT_EQ(FindMenuTextID(ID_APP_ABOUT), 17);
    EXPECT_EQ(FindMenuTextID(ID_CURRENT_CONFIG_CHANGED), -1);
    EXPECT_EQ(FindPromptTextID(ID_ACTIONS_START), 32);
    EXPECT_EQ(FindToolTipTextID(ID_ACTIONS_START), 39);
    EXPECT_EQ(FindToolTipTextID(ID_VIEW_TOOLBAR), -1);
    EXPECT_EQ(FindPopupTextID(3), 14);
    EXPECT_EQ(FindPopupTextID(4), -1);
}

using qrvtest::UiFixture;

TEST_F(UiFixture, LongTooltipIsCutTo79BytesOnACharacterBoundary) {
    // 78 ASCII letters and then two-byte letters: byte 79 falls inside a character.
    std::string text(78, 'x');
    for (int i = 0; i < 10; ++i)
        text += "\xC3\xBC";
    UseLanguageCopy(33, text);
    ASSERT_TRUE(Start());
    CString tip = Frame()->GetToolBar().RequestToolTip(ID_FILE_NEW);
    EXPECT_EQ(tip.GetLength(), 78);
    // A tool without a tooltip text is left to the framework.
    TOOLTIPTEXTA tt{};
    tt.hdr.idFrom = ID_VIEW_TOOLBAR;
    tt.hdr.code = TTN_NEEDTEXTA;
    EXPECT_FALSE(AnswerToolTipRequest(&tt.hdr));
    EXPECT_EQ(tt.lpszText, nullptr);
}

TEST_F(UiFixture, EscapedMenuTextFromTheLanguageFile) {
    UseLanguageCopy(0, "F\\\\ile\\x\\a");
    ASSERT_TRUE(Start());
    CString text;
    Frame()->GetMenu()->GetMenuString(0, text, MF_BYPOSITION);
    // The BEL the escape makes is not shown in a menu.
    EXPECT_EQ(text, CString("F\\ile"));
}

}  // namespace
