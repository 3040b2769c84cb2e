// CString: UTF-8 text with the familiar editing operations; positions and lengths are bytes.
#include "platform/afx/CString.h"

#include <algorithm>
#include <cstring>

#include "platform/afx/CException.h"

namespace {

char AsciiUpper(char ch) {
    return (ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch;
}
char AsciiLower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? (char)(ch - 'A' + 'a') : ch;
}
bool IsTrimSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}
LPCSTR OrEmpty(LPCSTR psz) {
    return psz != nullptr ? psz : "";
}
int CompareBytes(const std::string& a, LPCSTR b) {
    // Unsigned byte order, the same as strcmp's, including texts that hold zero bytes.
    std::string_view vb(OrEmpty(b));
    std::string_view va(a);
    size_t n = std::min(va.size(), vb.size());
    int cmp = n == 0 ? 0 : std::memcmp(va.data(), vb.data(), n);
    if (cmp != 0) {
        return cmp < 0 ? -1 : 1;
    }
    return va.size() < vb.size() ? -1 : (va.size() > vb.size() ? 1 : 0);
}

}  // namespace

CString::CString(LPCSTR psz) : m_str(OrEmpty(psz)) {}

CString::CString(LPCSTR pch, int nLength) {
    if (pch != nullptr && nLength > 0) {
        m_str.assign(pch, (size_t)nLength);
    }
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0) {
        m_str.assign((size_t)nRepeat, ch);
    }
}

CString& CString::operator=(LPCSTR psz) {
    m_str = OrEmpty(psz);
    return *this;
}

CString& CString::operator=(char ch) {
    m_str.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength()) {
        AfxThrowInvalidArgException();
    }
    return m_str[(size_t)nIndex];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex < 0 || nIndex >= GetLength()) {
        AfxThrowInvalidArgException();
    }
    m_str[(size_t)nIndex] = ch;
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) {
        m_str.resize((size_t)nMinBufLength, '\0');
    }
    return m_str.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    m_str.resize((size_t)std::max(nNewLength, 0), '\0');
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        nNewLength = (int)std::strlen(m_str.c_str());
    }
    m_str.resize(std::min((size_t)nNewLength, m_str.size()));
}

CString& CString::operator+=(const CString& s) {
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(LPCSTR psz) {
    m_str += OrEmpty(psz);
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str.push_back(ch);
    return *this;
}

void CString::Append(LPCSTR pch, int nLength) {
    if (pch != nullptr && nLength > 0) {
        m_str.append(pch, (size_t)nLength);
    }
}

int CString::Compare(LPCSTR psz) const {
    return CompareBytes(m_str, psz);
}

int CString::CompareNoCase(LPCSTR psz) const {
    CString a(*this);
    CString b(psz);
    return CompareBytes(a.MakeLower().m_str, b.MakeLower());
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength() - std::max(nFirst, 0));
}

CString CString::Mid(int nFirst, int nCount) const {
    nFirst = std::clamp(nFirst, 0, GetLength());
    nCount = std::clamp(nCount, 0, GetLength() - nFirst);
    return CString(m_str.substr((size_t)nFirst, (size_t)nCount));
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || nStart >= GetLength()) {
        return -1;
    }
    size_t pos = m_str.find(ch, (size_t)nStart);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::Find(LPCSTR pszSub, int nStart) const {
    if (nStart < 0 || nStart > GetLength()) {
        return -1;
    }
    size_t pos = m_str.find(OrEmpty(pszSub), (size_t)nStart);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::ReverseFind(char ch) const {
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::FindOneOf(LPCSTR pszCharSet) const {
    size_t pos = m_str.find_first_of(OrEmpty(pszCharSet));
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::Replace(char chOld, char chNew) {
    int nCount = 0;
    for (char& ch : m_str) {
        if (ch == chOld) {
            ch = chNew;
            ++nCount;
        }
    }
    return nCount;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew) {
    std::string_view oldText(OrEmpty(pszOld));
    std::string_view newText(OrEmpty(pszNew));
    if (oldText.empty()) {
        return 0;
    }
    int nCount = 0;
    std::string result;
    size_t from = 0;
    for (size_t pos; (pos = m_str.find(oldText, from)) != std::string::npos; from = pos + oldText.size()) {
        result.append(m_str, from, pos - from);
        result.append(newText);
        ++nCount;
    }
    if (nCount != 0) {
        result.append(m_str, from, std::string::npos);
        m_str.swap(result);
    }
    return nCount;
}

int CString::Remove(char ch) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return (int)(before - m_str.size());
}

int CString::Insert(int nIndex, char ch) {
    nIndex = std::clamp(nIndex, 0, GetLength());
    m_str.insert((size_t)nIndex, 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCSTR psz) {
    nIndex = std::clamp(nIndex, 0, GetLength());
    m_str.insert((size_t)nIndex, OrEmpty(psz));
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    nIndex = std::max(nIndex, 0);
    if (nCount > 0 && nIndex < GetLength()) {
        m_str.erase((size_t)nIndex, (size_t)std::min(nCount, GetLength() - nIndex));
    }
    return GetLength();
}

CString& CString::MakeUpper() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiUpper);
    return *this;
}

CString& CString::MakeLower() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiLower);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
    m_str.erase(m_str.begin(), std::find_if_not(m_str.begin(), m_str.end(), IsTrimSpace));
    return *this;
}

CString& CString::TrimRight() {
    m_str.erase(std::find_if_not(m_str.rbegin(), m_str.rend(), IsTrimSpace).base(), m_str.end());
    return *this;
}

CString& CString::Trim(char chTarget) {
    return TrimRight(chTarget).TrimLeft(chTarget);
}

CString& CString::TrimLeft(char chTarget) {
    m_str.erase(0, m_str.find_first_not_of(chTarget));
    return *this;
}

CString& CString::TrimRight(char chTarget) {
    size_t pos = m_str.find_last_not_of(chTarget);
    m_str.erase(pos == std::string::npos ? 0 : pos + 1);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}
CString operator+(const CString& a, LPCSTR b) {
    CString s(a);
    s += b;
    return s;
}
CString operator+(LPCSTR a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}
CString operator+(const CString& a, char b) {
    CString s(a);
    s += b;
    return s;
}
CString operator+(char a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}

bool operator==(const CString& a, const CString& b) {
    return a.Str() == b.Str();
}
bool operator==(const CString& a, LPCSTR b) {
    return a.Compare(b) == 0;
}
bool operator==(LPCSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
bool operator!=(const CString& a, const CString& b) {
    return !(a == b);
}
bool operator!=(const CString& a, LPCSTR b) {
    return !(a == b);
}
bool operator!=(LPCSTR a, const CString& b) {
    return !(a == b);
}
bool operator<(const CString& a, const CString& b) {
    return a.Str() < b.Str() ? true : false;
}
bool operator<(const CString& a, LPCSTR b) {
    return a.Compare(b) < 0;
}
bool operator<(LPCSTR a, const CString& b) {
    return b.Compare(a) > 0;
}
bool operator>(const CString& a, const CString& b) {
    return b < a;
}
bool operator>(const CString& a, LPCSTR b) {
    return a.Compare(b) > 0;
}
bool operator>(LPCSTR a, const CString& b) {
    return b.Compare(a) < 0;
}
bool operator<=(const CString& a, const CString& b) {
    return !(b < a);
}
bool operator>=(const CString& a, const CString& b) {
    return !(a < b);
}
