// Off-screen drawing and fonts.
#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/image.h>

#include "platform/afx/wnd/Gdi.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

wxColour PixelAt(CBitmap& bmp, int x, int y) {
    wxImage image = bmp.GetWxBitmap()->ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

TEST(GdiTest, MemoryContextDrawsAndCopiesBlocks) {
    QRV_REQUIRE_TOOLKIT();
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
    QRV_REQUIRE_TOOLKIT();
    LOGFONT lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    lf.lfUnderline = TRUE;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    // The marked entries of a result list are drawn struck out.
    for (BYTE bStrikeOut : {FALSE, TRUE}) {
        lf.lfStrikeOut = bStrikeOut;
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        LOGFONT back{};
        ASSERT_TRUE(font.GetLogFont(&back));
        EXPECT_EQ(back.lfWeight, FW_BOLD);
        EXPECT_TRUE(back.lfUnderline);
        EXPECT_LT(back.lfHeight, 0);
        EXPECT_EQ(back.lfStrikeOut, bStrikeOut);
    }
    EXPECT_FALSE(CFont().CreateFontIndirect(nullptr));
}

}  // namespace
