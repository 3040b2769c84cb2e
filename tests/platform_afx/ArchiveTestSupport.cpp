// Helpers for archive tests: hex byte strings, in-memory archives, expected exceptions.
#include "tests/platform_afx/ArchiveTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace afxtest {

Bytes Hex(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size();) {
        char ch = text[i];
        if (ch == ' ') {
            ++i;
        } else if (ch == '\'') {
            size_t end = text.find('\'', i + 1);
            out.insert(out.end(), text.begin() + (long)i + 1, text.begin() + (long)end);
            i = end + 1;
        } else {
            out.push_back((BYTE)std::strtoul(text.substr(i, 2).c_str(), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

std::string ToHex(const Bytes& bytes) {
    std::ostringstream out;
    static const char* digits = "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i) {
        out << (i ? " " : "") << digits[bytes[i] >> 4] << digits[bytes[i] & 15];
    }
    return out.str();
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes Store(const std::function<void(CArchive&)>& fn, int nBufSize) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, nBufSize);
        fn(ar);
        ar.Close();
    }
    return Bytes(file.GetBufferPtr(), file.GetBufferPtr() + file.GetLength());
}

void Load(const Bytes& bytes, const std::function<void(CArchive&)>& fn, int nBufSize) {
    std::unique_ptr<BYTE[]> copy(new BYTE[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    CMemFile file(copy.get(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load, nBufSize);
    fn(ar);
}

int ArchiveCause(const std::function<void()>& fn) {
    try {
        fn();
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    } catch (CException* e) {
        e->Delete();
    }
    return -1;
}

int CauseOfReading(const Bytes& bytes, const CRuntimeClass* pRequired) {
    return ArchiveCause([&] {
        Load(bytes, [&](CArchive& ar) {
            if (CObject* pOb = ar.ReadObject(pRequired)) {
                static_cast<golden::CRefRecord*>(pOb)->AddRef();
                static_cast<golden::CRefRecord*>(pOb)->Release();
            }
        });
    });
}

const Bytes kGuidBytes = Hex("67 45 23 01 AB 89 EF CD 01 23 45 67 89 AB CD EF");

Bytes DefaultPropertyFile() {
    return Hex(
        "FF FF 01 00 0D 00 'CPropTypeList' 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 "
        "FF FF 01 00 0C 00 'CStdPropList' 01 00 00 00 01 00 00 00 01 00 00 00 1E 00 37 00 "
        "FF FF 01 00 0E 00 'CStdPropertyID' 01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
}

Bytes NamedListFile() {
    return Concat({Hex("FF FF 01 00 0E 00 'CNamedPropList' 01 00 00 00 01 00 00 00 01 00 00 00 10 00 00 00"),
                   kGuidBytes,
                   Hex("FF FF 01 00 10 00 'CGuidNamedIDList' 01 00 00 00 01 00 00 00 01 00 00 00"),
                   Hex("FF FF 01 00 10 00 'CNamedPropertyID' 01 00 00 00 01 00 00 00 00 00 00 00"),
                   Hex("01 00 00 00 1F 00 00 00 10 00 00 00"), kGuidBytes, Hex("00 00 00 00 83 80 00 00")});
}

Bytes BigBagStream() {
    golden::CTestBag* pBag = new golden::CTestBag;
    pBag->AddRef();
    pBag->m_label = CString('L', 300);
    std::vector<golden::CPropertyID*> leaves;
    for (DWORD i = 0; i < 0x8000; ++i) {
        leaves.push_back(new golden::CPropertyID);
        leaves.back()->m_ulContext = i;
        pBag->Add(leaves.back());
    }
    golden::CStdPropertyID* pA = new golden::CStdPropertyID;
    golden::CStdPropertyID* pB = new golden::CStdPropertyID;
    pA->m_ulTag = 0xA;
    pB->m_ulTag = 0xB;
    pBag->Add(pA);
    pBag->Add(pB);
    pBag->Add(leaves[0x7FFF - 4]);
    pBag->Add(leaves[0x7FFE - 4]);
    pBag->Add(pA);
    Bytes bytes = Store([&](CArchive& ar) { ar << pBag; });
    pBag->Release();
    return bytes;
}

const CRuntimeClass* RaisedClass(const std::function<void()>& fn) {
    try {
        fn();
    } catch (CException* e) {
        const CRuntimeClass* pClass = e->GetRuntimeClass();
        e->Delete();
        return pClass;
    }
    return nullptr;
}

}  // namespace afxtest
