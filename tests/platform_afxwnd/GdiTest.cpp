// Off-screen drawing and fonts; dialog keys and reflected notifications.
#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/image.h>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

wxColour PixelAt(CBitmap& bmp, int x, int y) {
    wxImage image = bmp.GetWxBitmap()->ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

TEST(GdiTest, MemoryContextDrawsAndCopiesBlocks) {
    QRV_REQUIRE_DISPLAY();
    CDC source;
    ASSERT_TRUE(source.CreateCompatibleDC(nullptr));
    CBitmap sourceBmp;
    ASSERT_TRUE(sourceBmp.CreateCompatibleBitmap(&source, 20, 10));
    CBitmap* pOld = source.SelectObject(&sourceBmp);
    source.FillSolidRect(0, 0, 20, 10, RGB(255, 255, 255));
    source.FillSolidRect(CRect(10, 0, 20, 10), RGB(200, 0, 0));

    CDC target;
    ASSERT_TRUE(target.CreateCompatibleDC(&source));
    CBitmap targetBmp;
    ASSERT_TRUE(targetBmp.CreateCompatibleBitmap(&target, 10, 10));
    target.SelectObject(&targetBmp);
    target.FillSolidRect(0, 0, 10, 10, RGB(0, 0, 255));
    ASSERT_TRUE(target.BitBlt(0, 0, 5, 10, &source, 12, 0, SRCCOPY));
    target.SelectObject(static_cast<CBitmap*>(nullptr));
    source.SelectObject(pOld);

    EXPECT_EQ(PixelAt(targetBmp, 2, 5), wxColour(200, 0, 0));
    EXPECT_EQ(PixelAt(targetBmp, 8, 5), wxColour(0, 0, 255));
    EXPECT_EQ(targetBmp.GetSize(), CSize(10, 10));
    EXPECT_FALSE(CBitmap().CreateCompatibleBitmap(nullptr, 0, 5));
}

TEST(GdiTest, FontsFromLogicalDescriptions) {
    QRV_REQUIRE_DISPLAY();
    LOGFONT lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    lf.lfUnderline = TRUE;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    LOGFONT back{};
    ASSERT_TRUE(font.GetLogFont(&back));
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_TRUE(back.lfUnderline);
    EXPECT_LT(back.lfHeight, 0);
    EXPECT_FALSE(back.lfStrikeOut);
    // The marked entries of a result list are drawn struck out.
    back.lfStrikeOut = TRUE;
    CFont struck;
    ASSERT_TRUE(struck.CreateFontIndirect(&back));
    LOGFONT again{};
    ASSERT_TRUE(struck.GetLogFont(&again));
    EXPECT_TRUE(again.lfStrikeOut);
    EXPECT_EQ(again.lfWeight, FW_BOLD);
    EXPECT_FALSE(font.CreateFontIndirect(nullptr));
}

// ----- dialog keys and reflection -----

constexpr UINT kKeysTemplate = 7400;
constexpr UINT IDC_REFLECT = 1301;

int g_reflected = 0;
int g_parentSaw = 0;

// A button that handles its own clicks before its parent hears of them.
class CSelfButton : public CButton {
public:
    void OnClickedSelf() { ++g_reflected; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSelfButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, &CSelfButton::OnClickedSelf)
END_MESSAGE_MAP()

class CKeysDlg : public CDialog {
public:
    CKeysDlg() : CDialog(kKeysTemplate) {}
    BOOL OnInitDialog() override {
        m_self.SubclassDlgItem(IDC_REFLECT, this);
        if (m_bEndAtOnce)
            EndDialog(77);
        return TRUE;
    }
    void OnParentSaw() { ++g_parentSaw; }
    CSelfButton m_self;
    bool m_bEndAtOnce = false;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CKeysDlg, CDialog)
ON_BN_CLICKED(IDC_REFLECT, &CKeysDlg::OnParentSaw)
END_MESSAGE_MAP()

class DialogKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_DISPLAY();
        g_reflected = g_parentSaw = 0;
        AfxRegisterDialogTemplate(
            DLGTEMPLATEDEF{kKeysTemplate,
                           WS_POPUP | WS_CAPTION,
                           0,
                           0,
                           0,
                           120,
                           60,
                           "Keys",
                           "MS Sans Serif",
                           8,
                           {{"BUTTON", "Self", IDC_REFLECT, 5, 5, 40, 14, BS_PUSHBUTTON},
                            {"EDIT", "12", 1302, 5, 25, 40, 12, WS_BORDER},
                            {"BUTTON", "OK", IDOK, 60, 5, 40, 14, BS_DEFPUSHBUTTON},
                            {"BUTTON", "Cancel", IDCANCEL, 60, 25, 40, 14, 0}}});
    }
    void TearDown() override {
        AfxSetModalHook(nullptr);
        AfxPumpMessages();
    }
};

TEST_F(DialogKeysTest, ReflectedNotificationStaysWithTheControl) {
    CKeysDlg dlg;
    AfxSetModalHook([](CWnd* pDialog) {
        dynamic_cast<CButton*>(pDialog->GetDlgItem(IDC_REFLECT))->Click();
        BOOL ok = FALSE;
        EXPECT_EQ(pDialog->GetDlgItemInt(1302, &ok), 12u);
        EXPECT_TRUE(ok);
        pDialog->SetDlgItemText(1302, "12a");
        pDialog->GetDlgItemInt(1302, &ok);
        EXPECT_FALSE(ok);
        return IDCANCEL;
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(g_reflected, 1);
    EXPECT_EQ(g_parentSaw, 0);
}

TEST_F(DialogKeysTest, DefaultButtonAnswersEnterEscapeCancels) {
    CKeysDlg dlg;
    AfxSetModalHook([](CWnd* pDialog) {
        EXPECT_EQ(AfxGetDefaultButtonID(pDialog), (UINT)IDOK);
        pDialog->GetDlgItem(IDOK)->EnableWindow(FALSE);
        // The disabled default button ignores Enter; Escape is Cancel.
        pDialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(dynamic_cast<CDialog*>(pDialog)->IsEnded());
        return AFX_MODAL_KEEP;
    });
    // A command sent directly still reaches OnOK: only the keyboard path checks the button.
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(DialogKeysTest, DialogEndedDuringInitialisationNeverShows) {
    CKeysDlg dlg;
    dlg.m_bEndAtOnce = true;
    int hooked = 0;
    AfxSetModalHook([&](CWnd*) {
        ++hooked;
        return IDOK;
    });
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(hooked, 0);
}

TEST_F(DialogKeysTest, ModelessDialogHidesOnEndAndGoesWithDestroy) {
    wxFrame* pTop = new wxFrame(nullptr, wxID_ANY, "host");
    CWnd host;
    ASSERT_TRUE(host.AttachWx(pTop));
    CKeysDlg dlg;
    ASSERT_TRUE(dlg.Create(kKeysTemplate, &host));
    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.SendMessage(WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.GetResult(), IDCANCEL);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_self.m_hWnd, nullptr);
    host.DestroyWindow();
}

}  // namespace
