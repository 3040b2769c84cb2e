// The framework document's save and open protocol: nothing is lost when a write or read fails.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/support/TempRoot.h"

namespace {

class CValueDoc : public CDocument {
public:
    DWORD m_dwValue = 0;
    bool m_bFailWrite = false;
    int m_nDeleted = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_dwValue;
            if (m_bFailWrite)
                AfxThrowArchiveException(CArchiveException::genericException);
            ar << m_dwValue;
        } else {
            DWORD a = 0, b = 0;
            ar >> a >> b;
            m_dwValue = a;
        }
    }
    void DeleteContents() override {
        ++m_nDeleted;
        m_dwValue = 0;
    }
};

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The boxes reach the hook also when the toolkit could not start (a display that refused
        // the connection under load): documents need no display, and without the hook a box
        // would answer with its default button.
        AfxInstallMessageBoxUi();
        AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDOK; });
        AfxClearShownMessageBoxes();
    }
    void TearDown() override { AfxSetMessageBoxHook(nullptr); }
    qrvtest::TempRoot m_root;
};

TEST_F(DocumentTest, SaveWritesThroughTemporaryAndOpenReadsBack) {
    std::string path = m_root.Path() + "/doc.qrv";
    CValueDoc doc;
    doc.m_dwValue = 0x01020304;
    doc.SetModifiedFlag(TRUE);
    ASSERT_TRUE(doc.DoSave(path.c_str()));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), CString(path.c_str()));
    EXPECT_EQ(doc.GetTitle(), CString("doc.qrv"));
    EXPECT_EQ(m_root.ReadFile("doc.qrv").size(), 8u);
    EXPECT_TRUE(m_root.ReadFile("doc.qrv.saving").empty());

    CValueDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path.c_str()));
    EXPECT_EQ(other.m_dwValue, 0x01020304u);
    EXPECT_FALSE(other.IsModified());
}

// A file or link planted under a name the save could use beside the document is never written
// through: the file it leads to keeps its content, and the document is a new file of its own.
TEST_F(DocumentTest, SaveNeverWritesThroughAFileOrLinkPlantedBesideTheDocument) {
    const std::string path = m_root.Path() + "/doc.qrv";
    const std::string victim = m_root.WriteFile("victim", "untouched");
    ASSERT_EQ(0, ::symlink(victim.c_str(), (path + ".saving").c_str()));
    CValueDoc doc;
    doc.m_dwValue = 0x01020304;
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
    EXPECT_EQ("untouched", m_root.ReadFile("victim"));
    EXPECT_EQ(8u, m_root.ReadFile("doc.qrv").size());
    struct stat st {};
    ASSERT_EQ(0, ::lstat(path.c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(DocumentTest, FailedWriteKeepsTheOldFileFailedReadEmptiesTheDocumentBothReport) {
    std::string path = m_root.WriteFile("doc.qrv", "previous");
    CValueDoc doc;
    doc.m_dwValue = 7;
    doc.m_bFailWrite = true;
    doc.SetModifiedFlag(TRUE);
    EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
    EXPECT_EQ(m_root.ReadFile("doc.qrv"), "previous");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(AfxGetShownMessageBoxes().size(), 1u);

    doc.m_nDeleted = 0;
    EXPECT_FALSE(doc.OnOpenDocument(m_root.WriteFile("short.qrv", "abc").c_str()));
    EXPECT_EQ(doc.m_dwValue, 0u);
    EXPECT_GE(doc.m_nDeleted, 2);
    EXPECT_EQ(AfxGetShownMessageBoxes().size(), 2u);
    EXPECT_FALSE(doc.OnOpenDocument((m_root.Path() + "/missing.qrv").c_str()));
}

TEST_F(DocumentTest, SaveModifiedAsksAndCancelStops) {
    CValueDoc doc;
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    doc.SetModifiedFlag(TRUE);
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDCANCEL; });
    EXPECT_FALSE(doc.SaveModified());
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDNO; });
    EXPECT_TRUE(doc.SaveModified());
}

// The single-document template around a document made by the test, with no frame.
class CTestTemplate : public CSingleDocTemplate {
public:
    explicit CTestTemplate(CDocument* pDoc) : CSingleDocTemplate(7600, nullptr, nullptr, nullptr) {
        m_pOnlyDoc = pDoc;
        pDoc->m_pDocTemplate = this;
    }
    ~CTestTemplate() override { m_pOnlyDoc = nullptr; }
};

TEST_F(DocumentTest, AFailedOpenNeverLeavesTheEarlierPathOnOtherContents) {
    const std::string earlier = m_root.Path() + "/earlier.qrv";
    CValueDoc doc;
    CTestTemplate tmpl(&doc);
    doc.m_dwValue = 5;
    ASSERT_TRUE(doc.DoSave(earlier.c_str()));

    // A file that cannot be opened changes nothing, modified flag included.
    doc.SetModifiedFlag(TRUE);
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDNO; });
    EXPECT_EQ(nullptr, tmpl.OpenDocumentFile((m_root.Path() + "/missing.qrv").c_str()));
    EXPECT_EQ(5u, doc.m_dwValue);
    EXPECT_EQ(CString(earlier.c_str()), doc.GetPathName());
    EXPECT_EQ(CString("earlier.qrv"), doc.GetTitle());
    EXPECT_TRUE(doc.IsModified());

    // A file that failed while being read took the contents with it: the document is new and
    // untitled, so a save asks for a name instead of writing over the earlier file.
    doc.SetModifiedFlag(FALSE);
    EXPECT_EQ(nullptr, tmpl.OpenDocumentFile(m_root.WriteFile("short.qrv", "abc").c_str()));
    EXPECT_EQ(0u, doc.m_dwValue);
    EXPECT_TRUE(doc.GetPathName().IsEmpty());
    EXPECT_EQ(CString("Untitled"), doc.GetTitle());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(8u, m_root.ReadFile("earlier.qrv").size());
}

}  // namespace
