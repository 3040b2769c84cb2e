// Run-time classes, the class registry and the exceptions of the object layer.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CObject.h"
#include "tests/platform_afx/ArchiveTestRecords.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

using namespace golden;

// Reading records exercises derivation, the registry and creation for the record classes; these
// are the cases no stream reaches.
TEST(ObjectModelTest, DerivationRegistryAndCreationOutsideTheRecords) {
    CStdPropertyID prop;
    EXPECT_TRUE(prop.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(prop.IsKindOf(RUNTIME_CLASS(CNamedPropertyID)));
    EXPECT_FALSE(prop.IsKindOf(nullptr));
    EXPECT_EQ(CRuntimeClass::FromName("CPropTypeList"), RUNTIME_CLASS(CPropTypeList));
    EXPECT_EQ(CRuntimeClass::FromName("CArchiveException"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
    CObject* pOb = RUNTIME_CLASS(CNotARecord)->CreateObject();
    ASSERT_NE(pOb, nullptr);
    EXPECT_FALSE(pOb->IsSerializable());
    EXPECT_TRUE(prop.IsSerializable());
    delete pOb;
    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

TEST(ObjectModelTest, ExceptionsAreCaughtByBaseAndCarryTheirDetails) {
    try {
        AfxThrowArchiveException(CArchiveException::badSchema, "doc.qrv");
        FAIL();
    } catch (CException* e) {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CArchiveException)));
        auto* pArchive = static_cast<CArchiveException*>(e);
        EXPECT_EQ(pArchive->m_cause, CArchiveException::badSchema);
        EXPECT_STREQ(pArchive->m_strFileName, "doc.qrv");
        char text[16];
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof(text)));
        EXPECT_EQ(std::strlen(text), sizeof(text) - 1);  // cut to the buffer, still terminated
        e->Delete();
    }
    EXPECT_EQ(afxtest::RaisedClass(AfxThrowResourceException), RUNTIME_CLASS(CResourceException));
}
