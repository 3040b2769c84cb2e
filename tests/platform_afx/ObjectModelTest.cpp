// Run-time classes, the class registry and the exceptions of the object layer.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CObject.h"
#include "tests/platform_afx/ArchiveTestRecords.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

using namespace golden;

TEST(ObjectModelTest, DerivationFollowsTheDeclaredBases) {
    CStdPropertyID prop;
    EXPECT_TRUE(prop.IsKindOf(RUNTIME_CLASS(CStdPropertyID)));
    EXPECT_TRUE(prop.IsKindOf(RUNTIME_CLASS(CPropertyID)));
    EXPECT_TRUE(prop.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(prop.IsKindOf(RUNTIME_CLASS(CNamedPropertyID)));
    EXPECT_FALSE(prop.IsKindOf(RUNTIME_CLASS(CPropertyList)));
    EXPECT_FALSE(prop.IsKindOf(nullptr));
    EXPECT_STREQ(prop.GetRuntimeClass()->m_lpszClassName, "CStdPropertyID");
    EXPECT_EQ(prop.GetRuntimeClass()->m_wSchema, 1u);
    EXPECT_TRUE(prop.IsSerializable());
    EXPECT_EQ(RUNTIME_CLASS(CObject)->m_wSchema, 0xFFFFu);
    EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
}

TEST(ObjectModelTest, RegistryHoldsSerialClassesOnlyByExactName) {
    EXPECT_EQ(CRuntimeClass::FromName("CPropTypeList"), RUNTIME_CLASS(CPropTypeList));
    EXPECT_EQ(CRuntimeClass::FromName("cproptypelist"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CNotARecord"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CArchiveException"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(ObjectModelTest, CreationMakesAnEmptyObjectOfTheClass) {
    CObject* pOb = RUNTIME_CLASS(CStdPropList)->CreateObject();
    ASSERT_NE(pOb, nullptr);
    EXPECT_EQ(pOb->GetRuntimeClass(), RUNTIME_CLASS(CStdPropList));
    delete pOb;
    pOb = RUNTIME_CLASS(CNotARecord)->CreateObject();
    ASSERT_NE(pOb, nullptr);
    EXPECT_FALSE(pOb->IsSerializable());
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
    EXPECT_EQ(afxtest::RaisedClass(AfxThrowMemoryException), RUNTIME_CLASS(CMemoryException));
    EXPECT_EQ(afxtest::RaisedClass(AfxThrowNotSupportedException), RUNTIME_CLASS(CNotSupportedException));
    EXPECT_EQ(afxtest::RaisedClass(AfxThrowResourceException), RUNTIME_CLASS(CResourceException));
    EXPECT_EQ(afxtest::RaisedClass(AfxThrowInvalidArgException), RUNTIME_CLASS(CInvalidArgException));
}
