// The root of the object layer: CObject, its run-time class records and the class registry.
//
// Every class that takes part in run-time type tests or in archives derives from CObject and
// describes itself with a static CRuntimeClass. The macros below write that boilerplate:
//
//   header:  DECLARE_DYNAMIC(CFoo)      type tests only (IsKindOf)
//            DECLARE_DYNCREATE(CFoo)    plus creation by class record
//            DECLARE_SERIAL(CFoo)       plus archive records (ReadObject/WriteObject, ar >> pFoo)
//   source:  IMPLEMENT_DYNAMIC(CFoo, CBase)
//            IMPLEMENT_DYNCREATE(CFoo, CBase)
//            IMPLEMENT_SERIAL(CFoo, CBase, 1)
//
// Only serial classes enter the class registry that archive readers search by name; a dynamic or
// dyncreate class has schema 0xFFFF and can never be a record.
#pragma once

#include "platform/win32/WinTypes.h"

class CObject;
class CArchive;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;           // the class's own name, ASCII; what archives write
    int m_nObjectSize;                // sizeof the class
    UINT m_wSchema;                   // 16-bit schema in archives; 0xFFFF: never a record
    CObject* (*m_pfnCreateObject)();  // makes an empty object, or null for abstract classes
    CRuntimeClass* m_pBaseClass;      // the base named in IMPLEMENT_*; null only for CObject

    // A new empty object, or null when the class cannot be created or memory is exhausted.
    CObject* CreateObject() const;
    // TRUE when this class is pBaseClass or has it somewhere up its base chain.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    // The registered serial class with exactly this name (case-sensitive), or null.
    static CRuntimeClass* FromName(LPCSTR lpszClassName);
};

// Adds a serial class to the registry; IMPLEMENT_SERIAL defines one static instance per class.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    // Tells the archives loading on this thread that the object is gone (see CArchive).
    virtual ~CObject();
    // Writes or reads the object's own fields; the root has none.
    virtual void Serialize(CArchive& ar);

    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    BOOL IsSerializable() const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;

private:
    // Objects are identities (archives track them by address): never copied implicitly.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)               \
public:                                           \
    static const CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
    DECLARE_DYNCREATE(class_name)  \
    friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define QRV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                     \
    const CRuntimeClass class_name::class##class_name = {#class_name, (int)sizeof(class class_name), \
                                                         (UINT)(wSchema), pfnNew,                    \
                                                         RUNTIME_CLASS(base_class_name)};            \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                             \
        return RUNTIME_CLASS(class_name);                                                            \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    QRV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() {                \
        return new (std::nothrow) class_name;            \
    }                                                    \
    QRV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                 \
    CObject* class_name::CreateObject() {                                                      \
        return new (std::nothrow) class_name;                                                  \
    }                                                                                          \
    QRV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
    static const AFX_CLASSINIT _init_##class_name(RUNTIME_CLASS(class_name));                  \
    CArchive& operator>>(CArchive& ar, class_name*& pOb) {                                     \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));              \
        return ar;                                                                             \
    }

#include <new>  // std::nothrow, used by the IMPLEMENT_* macros
