// The page base's relabelling and configuration reference, and the escape conversion of texts.
#include <cstdlib>
#include <cstring>
#include <string>

#include "language/ReplaceNewlineChar.h"
#include "platform/afx/wnd/Resources.h"
#include "tests/ui_forms/FormsFixture.h"
#include "ui/PropertyPageBase.h"

namespace {

using qrvtest::FormsFixture;

constexpr UINT kPageTemplate = 4711;
constexpr UINT kLabelA = 2001;
constexpr UINT kLabelB = 2002;

class PageBaseTest : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DLGTEMPLATEDEF page{kPageTemplate, WS_CHILD, 0, 0, 0, 200, 100, nullptr, "MS Sans Serif", 8, {}};
        page.items = {{"STATIC", "Vorlage A", kLabelA, 7, 7, 100, 8, WS_CHILD | WS_VISIBLE},
                      {"STATIC", "Vorlage B", kLabelB, 7, 20, 100, 8, WS_CHILD | WS_VISIBLE}};
        AfxRegisterDialogTemplate(page);
        m_pPage = new PropertyPageBase(kPageTemplate);
        ASSERT_TRUE(m_pPage->Create(kPageTemplate, m_pHost));
    }
    void TearDown() override {
        if (m_pPage != nullptr) {
            m_pPage->DestroyWindow();
            delete m_pPage;
        }
        AfxUnregisterDialogTemplate(kPageTemplate);
        FormsFixture::TearDown();
    }
    std::string Text(UINT nID) { return ControlText(m_pPage, (int)nID); }
    PropertyPageBase* m_pPage = nullptr;
};

// Text 77 is "General" and 97 "Properties" in the English language file.
TEST_F(PageBaseTest, RelabellingSetsEveryRowItCanAndReportsTheLastFailure) {
    const CONTROL_TEXT_ENTRY good[] = {{kLabelA, 77}, {kLabelB, 97}};
    EXPECT_EQ(S_OK, m_pPage->LoadDisplayTexts(good, 2));
    EXPECT_EQ("General", Text(kLabelA));
    EXPECT_EQ("Properties", Text(kLabelB));

    // A missing text keeps the control's text; a missing control fails the call; the rows after
    // either are still relabelled.
    const CONTROL_TEXT_ENTRY missingText[] = {{kLabelA, 99999}, {kLabelB, 77}};
    EXPECT_TRUE(FAILED(m_pPage->LoadDisplayTexts(missingText, 2)));
    EXPECT_EQ("General", Text(kLabelA));
    EXPECT_EQ("General", Text(kLabelB));
    const CONTROL_TEXT_ENTRY missingControl[] = {{9999, 77}, {kLabelA, 97}};
    EXPECT_EQ(E_UNEXPECTED, m_pPage->LoadDisplayTexts(missingControl, 2));
    EXPECT_EQ("Properties", Text(kLabelA));
    // The code is that of the last failing row.
    const CONTROL_TEXT_ENTRY both[] = {{9999, 77}, {kLabelA, 99999}};
    HRESULT hr = m_pPage->LoadDisplayTexts(both, 2);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(E_UNEXPECTED, hr);

    EXPECT_EQ(S_OK, m_pPage->LoadDisplayTexts(good, 0));
    EXPECT_EQ(E_INVALIDARG, m_pPage->LoadDisplayTexts(nullptr, 0));
}

TEST_F(PageBaseTest, HoldsOneReferenceToItsConfiguration) {
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_CONTACT);
    ASSERT_NE(nullptr, pConfig);
    m_pPage->SetConfigInfo(pConfig);
    m_pPage->SetConfigInfo(pConfig);  // the same one again keeps one reference
    const ULONG before = pConfig->AddRef();
    pConfig->Release();
    m_pPage->SetConfigInfo(nullptr);
    const ULONG after = pConfig->AddRef();
    pConfig->Release();
    EXPECT_EQ(before - 1, after);
    EXPECT_EQ(nullptr, m_pPage->GetConfigInfo());
}

struct EscapeCase {
    const char* source;
    const char* expected;
};

TEST(ReplaceNewlineCharTest, ResolvesEscapesAndDropsUnknownOnes) {
    const EscapeCase cases[] = {
        {"one\\ntwo", "one\ntwo"},
        {"a\\\\b", "a\\b"},
        {"tab\\tx", "tabx"},
        {"end\\", "end"},
        {"\\n\\n", "\n\n"},
        {"cr\\\rx", "cr\rx"},
        {"", ""},
        {"plain", "plain"},
        {"bs\\\bx", "bs\bx"},
        {"\\\\n", "\\n"},
    };
    for (const EscapeCase& c : cases) {
        LPSTR pszOut = nullptr;
        ASSERT_EQ(S_OK, ReplaceNewlineChar(&pszOut, c.source)) << c.source;
        EXPECT_STREQ(c.expected, pszOut) << c.source;
        free(pszOut);
    }
    LPSTR pszUntouched = reinterpret_cast<LPSTR>(0x1);
    EXPECT_EQ(E_INVALIDARG, ReplaceNewlineChar(&pszUntouched, nullptr));
    EXPECT_EQ(reinterpret_cast<LPSTR>(0x1), pszUntouched);
}

}  // namespace
