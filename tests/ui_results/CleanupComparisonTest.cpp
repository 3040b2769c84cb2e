// The cleanup's look at each group before it deletes, end to end: mails that carry every compared
// value are searched, changed behind the program's back, and cleaned; the store then holds exactly
// the groups that were still groups, less their marked copies.
#include <cstdlib>
#include <map>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/StoreClient.h"
#include "ui/FormViews.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

using mapitest::Ref;

// What tells the groups apart; everything else is the same in every mail.
struct Values {
    std::string subject;
    std::string sender = "Ann";
};

class CleanupComparisonTest : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_client = std::make_unique<CStoreClient>(m_pConfig);
    }
    void TearDown() override {
        CloseForm(m_pView);
        m_client.reset();
        ResultsFixture::TearDown();
    }

    // A mail in the inbox with a value in every property the configuration compares, so that the
    // check before deleting sees whole rows; its entry id.
    std::vector<BYTE> AddFullMail(const Values& values, DWORD dwModified) {
        const std::string email = values.sender + "@example.org";
        std::map<ULONG, SPropValue> props;
        auto text = [&](ULONG ulTag, const char* lpszValue) { props[ulTag] = Text(ulTag, lpszValue); };
        text(PR_MESSAGE_CLASS, "IPM.Note");
        text(PR_SUBJECT, values.subject.c_str());
        text(PR_SENDER_NAME, values.sender.c_str());
        text(PR_SENDER_EMAIL_ADDRESS, email.c_str());
        props[PR_CLIENT_SUBMIT_TIME].ulPropTag = PR_CLIENT_SUBMIT_TIME;
        props[PR_CLIENT_SUBMIT_TIME].Value.ft = FILETIME{0x10000000, 0x01D00000};
        props[PR_MESSAGE_SIZE].ulPropTag = PR_MESSAGE_SIZE;
        props[PR_MESSAGE_SIZE].Value.l = 4096;
        props[PR_LAST_MODIFICATION_TIME].ulPropTag = PR_LAST_MODIFICATION_TIME;
        props[PR_LAST_MODIFICATION_TIME].Value.ft = FILETIME{dwModified, 0x01D00000};
        for (ULONG ulTag : ComparedTags()) {
            EXPECT_EQ(1u, props.count(ulTag)) << "a compared property the mails lack: " << std::hex << ulTag;
        }

        LPUNKNOWN lpUnk = nullptr;
        EXPECT_EQ(S_OK, mapitest::OpenById(m_client->Store(), std::string(m_inbox.begin(), m_inbox.end()),
                                           MAPI_MODIFY, &lpUnk));
        Ref<IMAPIFolder> folder{static_cast<IMAPIFolder*>(lpUnk)};
        Ref<IMessage> message;
        EXPECT_EQ(S_OK, folder->CreateMessage(nullptr, 0, &message));
        std::vector<SPropValue> list;
        for (const auto& [ulTag, value] : props)
            list.push_back(value);
        EXPECT_EQ(S_OK, message->SetProps((ULONG)list.size(), list.data(), nullptr));
        EXPECT_EQ(S_OK, message->SaveChanges(0));
        mapitest::Values id;
        EXPECT_EQ(S_OK, message->GetProps(mapitest::Tags{PR_ENTRYID}, 0, &id.count, &id.p));
        return std::vector<BYTE>(id[0].Value.bin.lpb, id[0].Value.bin.lpb + id[0].Value.bin.cb);
    }
    // The properties a search of the configuration compares.
    std::vector<ULONG> ComparedTags() {
        LPSPropTagArray lpTags = nullptr;
        EXPECT_EQ(S_OK, m_pConfig->BuildPropTagArray(0, &lpTags));
        std::vector<ULONG> tags;
        if (lpTags != nullptr)
            tags.assign(lpTags->aulPropTag, lpTags->aulPropTag + lpTags->cValues);
        free(lpTags);
        return tags;
    }
    // Behind the program's back: another program saves an item with the given values set and the
    // given properties removed.
    void Change(const std::vector<BYTE>& item, std::vector<SPropValue> set, std::vector<ULONG> removed = {}) {
        LPUNKNOWN lpUnk = nullptr;
        ASSERT_EQ(S_OK, mapitest::OpenById(m_client->Store(), std::string(item.begin(), item.end()),
                                           MAPI_MODIFY, &lpUnk));
        Ref<IMessage> message{static_cast<IMessage*>(lpUnk)};
        if (!set.empty()) {
            EXPECT_EQ(S_OK, message->SetProps((ULONG)set.size(), set.data(), nullptr));
        }
        if (!removed.empty()) {
            EXPECT_EQ(S_OK, message->DeleteProps(mapitest::Tags(removed), nullptr));
        }
        EXPECT_EQ(S_OK, message->SaveChanges(0));
    }
    static SPropValue Text(ULONG ulTag, const char* lpszValue) {
        return mapitest::TextValue(ulTag, lpszValue);
    }

    // Shows the form, searches and expects one group per kept entry.
    CSearchResultPP* Search(size_t nGroups) {
        m_pView = ShowForm(m_pConfig);
        CSearchResultPP* pPage = m_pView != nullptr ? Start(m_pView) : nullptr;
        EXPECT_NE(nullptr, pPage);
        if (pPage != nullptr) {
            EXPECT_EQ(nGroups, Roots(pPage->GetTree()).size());
        }
        return pPage;
    }
    // Presses Delete; the text of the one box that tells what was left ("" without a box).
    std::string CleanUp(CSearchResultPP* pPage) {
        AfxClearShownMessageBoxes();
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
        Settle();
        EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
        EXPECT_LE(AfxGetShownMessageBoxes().size(), 1u);
        return AfxGetShownMessageBoxes().empty() ? std::string() : AfxGetShownMessageBoxes()[0].text;
    }
    // Expects exactly these items in the inbox.
    void ExpectLive(const std::set<std::vector<BYTE>>& expected) {
        const std::set<std::vector<BYTE>> live = LiveItems();
        EXPECT_EQ(expected.size(), live.size());
        for (const auto& id : expected)
            EXPECT_EQ(1u, live.count(id));
    }
    static bool Says(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    std::unique_ptr<CStoreClient> m_client;
    FVPagedView* m_pView = nullptr;
};

// Texts are compared byte for byte, as the search compares them: a copy whose subject or sender
// changed only in letter case is no longer a copy. A group whose values were written again
// unchanged, and one nobody touched, are cleaned.
TEST_F(CleanupComparisonTest, ACopyWhoseTextChangedOnlyInLetterCaseIsKept) {
    const std::vector<BYTE> alphaKept = AddFullMail({"Alpha"}, 100);
    const std::vector<BYTE> alphaCopy = AddFullMail({"Alpha"}, 200);
    const std::vector<BYTE> betaKept = AddFullMail({"Beta", "Ben"}, 100);
    const std::vector<BYTE> betaCopy = AddFullMail({"Beta", "Ben"}, 200);
    const std::vector<BYTE> gammaKept = AddFullMail({"Gamma"}, 100);
    const std::vector<BYTE> gammaCopy = AddFullMail({"Gamma"}, 200);
    const std::vector<BYTE> deltaKept = AddFullMail({"Delta"}, 100);
    const std::vector<BYTE> deltaCopy = AddFullMail({"Delta"}, 200);
    CSearchResultPP* pPage = Search(4);
    ASSERT_NE(nullptr, pPage);

    Change(alphaCopy, {Text(PR_SUBJECT, "ALPHA")});
    Change(betaCopy, {Text(PR_SENDER_NAME, "ben")});
    Change(gammaCopy, {Text(PR_SUBJECT, "Gamma")});
    const std::string text = CleanUp(pPage);

    ExpectLive({alphaKept, alphaCopy, betaKept, betaCopy, gammaKept, deltaKept});
    EXPECT_TRUE(Says(text, "2 duplicate group(s) were left")) << text;
    EXPECT_TRUE(Says(text, "2 with a marked entry that no longer matches")) << text;
    (void)deltaCopy;
}

// A copy is deleted only for its own group's kept entry: two copies that swapped their values with
// each other's group match a kept entry each, but not their own.
TEST_F(CleanupComparisonTest, ACopyThatNowMatchesAnotherGroupsKeptEntryIsKept) {
    const std::vector<BYTE> alphaKept = AddFullMail({"Alpha"}, 100);
    const std::vector<BYTE> alphaCopy = AddFullMail({"Alpha"}, 200);
    const std::vector<BYTE> betaKept = AddFullMail({"Beta"}, 100);
    const std::vector<BYTE> betaCopy = AddFullMail({"Beta"}, 200);
    const std::vector<BYTE> gammaKept = AddFullMail({"Gamma"}, 100);
    const std::vector<BYTE> gammaCopy = AddFullMail({"Gamma"}, 200);
    CSearchResultPP* pPage = Search(3);
    ASSERT_NE(nullptr, pPage);

    Change(alphaCopy, {Text(PR_SUBJECT, "Beta")});
    Change(betaCopy, {Text(PR_SUBJECT, "Alpha")});
    const std::string text = CleanUp(pPage);

    ExpectLive({alphaKept, alphaCopy, betaKept, betaCopy, gammaKept});
    EXPECT_TRUE(Says(text, "2 duplicate group(s) were left")) << text;
    EXPECT_TRUE(Says(text, "2 with a marked entry that no longer matches")) << text;
    (void)gammaCopy;
}

// Items without any compared value are never a group to the search, and so not to the cleanup
// either: a group whose kept entry and copies all lost every compared value, removed or emptied,
// is left whole.
TEST_F(CleanupComparisonTest, AGroupWhoseEntriesLostEveryComparedValueIsKept) {
    const std::vector<BYTE> goneKept = AddFullMail({"Removed"}, 100);
    const std::vector<BYTE> goneCopy = AddFullMail({"Removed"}, 200);
    const std::vector<BYTE> emptyKept = AddFullMail({"Emptied"}, 100);
    const std::vector<BYTE> emptyCopy = AddFullMail({"Emptied"}, 200);
    const std::vector<BYTE> keptOnlyKept = AddFullMail({"Kept emptied"}, 100);
    const std::vector<BYTE> keptOnlyCopy = AddFullMail({"Kept emptied"}, 200);
    const std::vector<BYTE> intactKept = AddFullMail({"Intact"}, 100);
    const std::vector<BYTE> intactCopy = AddFullMail({"Intact"}, 200);
    CSearchResultPP* pPage = Search(4);
    ASSERT_NE(nullptr, pPage);

    const std::vector<ULONG> compared = ComparedTags();
    for (const auto& id : {goneKept, goneCopy})
        Change(id, {}, compared);
    std::vector<SPropValue> emptied;
    std::vector<ULONG> removed;
    for (ULONG ulTag : compared) {
        if (PROP_TYPE(ulTag) == PT_STRING8)
            emptied.push_back(Text(ulTag, ""));
        else
            removed.push_back(ulTag);
    }
    for (const auto& id : {emptyKept, emptyCopy, keptOnlyKept})
        Change(id, emptied, removed);
    const std::string text = CleanUp(pPage);

    ExpectLive({goneKept, goneCopy, emptyKept, emptyCopy, keptOnlyKept, keptOnlyCopy, intactKept});
    EXPECT_TRUE(Says(text, "3 duplicate group(s) were left")) << text;
    (void)intactCopy;
}

}  // namespace
}  // namespace qrvtest
