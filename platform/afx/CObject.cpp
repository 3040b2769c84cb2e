// The root object, run-time class records and the registry of serial classes.
#include "platform/afx/CObject.h"

#include "platform/afx/CArchive.h"

#include <cstring>
#include <vector>

namespace {

// Filled during static initialisation by AFX_CLASSINIT, read afterwards; a function-local static
// so registrations from any translation unit find it constructed.
std::vector<CRuntimeClass*>& ClassRegistry() {
    static std::vector<CRuntimeClass*> registry;
    return registry;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), 0xFFFF, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const {
    return RUNTIME_CLASS(CObject);
}

CObject::~CObject() {
    CArchive::ForgetLoadedObject(this);
}

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CObject::IsSerializable() const {
    return GetRuntimeClass()->m_wSchema != 0xFFFF;
}

CObject* CRuntimeClass::CreateObject() const {
    if (m_pfnCreateObject == nullptr) {
        return nullptr;
    }
    return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    if (pBaseClass == nullptr) {
        return FALSE;
    }
    for (const CRuntimeClass* pClass = this; pClass != nullptr; pClass = pClass->m_pBaseClass) {
        if (pClass == pBaseClass) {
            return TRUE;
        }
    }
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
    if (lpszClassName == nullptr) {
        return nullptr;
    }
    for (CRuntimeClass* pClass : ClassRegistry()) {
        if (std::strcmp(pClass->m_lpszClassName, lpszClassName) == 0) {
            return pClass;
        }
    }
    return nullptr;
}

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) {
    // A name registered twice keeps its first class: readers must resolve a name one way only.
    if (pNewClass != nullptr && CRuntimeClass::FromName(pNewClass->m_lpszClassName) == nullptr) {
        ClassRegistry().push_back(pNewClass);
    }
}
