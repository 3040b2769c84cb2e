// CString: a growable text of UTF-8 bytes (the system's ANSI code page), with value semantics.
//
// Lengths and positions count bytes, not characters. Upper/lower-case changes and case-insensitive
// comparison touch only ASCII letters, so UTF-8 sequences pass through unchanged. The text may not
// contain a zero byte in the middle as far as LPCSTR users are concerned; GetLength() still counts
// everything that was put in.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/WinTypes.h"

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCSTR psz);               // null gives the empty text
    CString(LPCSTR pch, int nLength);  // exactly nLength bytes (null/negative: empty)
    CString(char ch, int nRepeat = 1);
    CString(const std::string& s) : m_str(s) {}
    CString(std::string_view s) : m_str(s) {}
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);

    int GetLength() const { return (int)m_str.size(); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    char GetAt(int nIndex) const;  // out of range: CInvalidArgException
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }

    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }
    const std::string& Str() const { return m_str; }

    // A writable buffer of at least nMinBufLength bytes plus a terminator. After writing into it,
    // ReleaseBuffer sets the length (-1: up to the first zero byte).
    LPSTR GetBuffer(int nMinBufLength = 0);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString& operator+=(const CString& s);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);
    void Append(LPCSTR pch, int nLength);
    void AppendChar(char ch) { m_str.push_back(ch); }

    int Compare(LPCSTR psz) const;        // <0, 0, >0 by unsigned bytes
    int CompareNoCase(LPCSTR psz) const;  // ASCII letters folded

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    int Find(char ch, int nStart = 0) const;  // -1 when not found
    int Find(LPCSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR pszCharSet) const;

    int Replace(char chOld, char chNew);        // number of replacements
    int Replace(LPCSTR pszOld, LPCSTR pszNew);  // an empty pszOld replaces nothing
    int Remove(char ch);
    int Insert(int nIndex, char ch);  // returns the new length
    int Insert(int nIndex, LPCSTR psz);
    int Delete(int nIndex, int nCount = 1);

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();  // spaces, tabs, CR and LF
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(char chTarget);
    CString& TrimLeft(char chTarget);
    CString& TrimRight(char chTarget);

private:
    std::string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator==(LPCSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);
bool operator!=(LPCSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCSTR b);
bool operator<(LPCSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCSTR b);
bool operator>(LPCSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);
