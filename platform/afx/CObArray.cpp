// CObArray over a vector of pointers, with MFC's index checks and memory failures.
#include "platform/afx/CObArray.h"

#include <new>
#include <stdexcept>

#include "platform/afx/CException.h"

IMPLEMENT_DYNAMIC(CObArray, CObject)

namespace {

// Runs a growth step, turning the heap's failure into the layer's memory exception.
template <class F>
void Grow(F&& step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    } catch (const std::length_error&) {
        AfxThrowMemoryException();
    }
}

}  // namespace

void CObArray::CheckIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= GetSize()) {
        AfxThrowInvalidArgException();
    }
}

void CObArray::SetSize(INT_PTR nNewSize, INT_PTR) {
    if (nNewSize < 0) {
        AfxThrowInvalidArgException();
    }
    Grow([&] { m_data.resize((size_t)nNewSize, nullptr); });
}

void CObArray::FreeExtra() {
    m_data.shrink_to_fit();
}

CObject* CObArray::GetAt(INT_PTR nIndex) const {
    CheckIndex(nIndex);
    return m_data[(size_t)nIndex];
}

void CObArray::SetAt(INT_PTR nIndex, CObject* newElement) {
    CheckIndex(nIndex);
    m_data[(size_t)nIndex] = newElement;
}

CObject*& CObArray::ElementAt(INT_PTR nIndex) {
    CheckIndex(nIndex);
    return m_data[(size_t)nIndex];
}

void CObArray::SetAtGrow(INT_PTR nIndex, CObject* newElement) {
    if (nIndex < 0) {
        AfxThrowInvalidArgException();
    }
    if (nIndex >= GetSize()) {
        SetSize(nIndex + 1);
    }
    m_data[(size_t)nIndex] = newElement;
}

INT_PTR CObArray::Add(CObject* newElement) {
    Grow([&] { m_data.push_back(newElement); });
    return GetSize() - 1;
}

INT_PTR CObArray::Append(const CObArray& src) {
    INT_PTR nOldSize = GetSize();
    if (&src == this) {
        std::vector<CObject*> copy(src.m_data);
        Grow([&] { m_data.insert(m_data.end(), copy.begin(), copy.end()); });
    } else {
        Grow([&] { m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end()); });
    }
    return nOldSize;
}

void CObArray::Copy(const CObArray& src) {
    if (&src != this) {
        Grow([&] { m_data = src.m_data; });
    }
}

void CObArray::InsertAt(INT_PTR nIndex, CObject* newElement, INT_PTR nCount) {
    if (nIndex < 0 || nCount < 0) {
        AfxThrowInvalidArgException();
    }
    if (nIndex > GetSize()) {
        SetSize(nIndex);  // inserting past the end grows the array first, as SetAtGrow does
    }
    Grow([&] { m_data.insert(m_data.begin() + nIndex, (size_t)nCount, newElement); });
}

void CObArray::InsertAt(INT_PTR nStartIndex, const CObArray* pNewArray) {
    if (pNewArray == nullptr || nStartIndex < 0) {
        AfxThrowInvalidArgException();
    }
    if (nStartIndex > GetSize()) {
        SetSize(nStartIndex);
    }
    std::vector<CObject*> copy(pNewArray->m_data);
    Grow([&] { m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end()); });
}

void CObArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
    if (nIndex < 0 || nCount < 0 || nIndex + nCount > GetSize()) {
        AfxThrowInvalidArgException();
    }
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
}
