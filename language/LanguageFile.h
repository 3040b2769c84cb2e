// Reader of one language file: header checks, the line reader, line splitting and numbers.
#pragma once

#include <cstdio>

#include "platform/win32/WinTypes.h"

// File format: line 1 is ";...L_VER:<digits>", the header block (the ";" lines after it) holds
// ";...L_ID:<digits>", and every later non-empty, non-";" line is "<digits><blanks/TABs><text>".
class CLanguageFile {
public:
    CLanguageFile() = default;
    virtual ~CLanguageFile();
    CLanguageFile(const CLanguageFile&) = delete;
    CLanguageFile& operator=(const CLanguageFile&) = delete;

    // Opens a file and checks its header; afterwards the read position is at the start of line 2.
    BOOL OpenFile(LPCSTR pszPath, LPCSTR pszMode);
    BOOL CloseFile();
    BOOL IsEOF() const { return m_bEOF; }
    // Replaces *ppszLine (which it frees) by the next line as a new heap buffer. Once the end of
    // the file has been met, a further read yields TRUE with *ppszLine NULL.
    BOOL GetLine(LPSTR* ppszLine);

    virtual BOOL ReadLanguageID();
    // Reads the digits up to the end, a blank or a TAB; anything else, or a value beyond 32-bit
    // signed, is a bad format. An empty run of digits gives 0.
    virtual BOOL GetNumericValue(LPCSTR pszText, LONG* plValue);
    virtual BOOL ReadVersion();
    virtual BOOL IsCharIn(char c, LPCSTR pszSet);
    // Whether pszPath is a loadable language file; stores the id read in *plLanguageID when the
    // header could be read (also for an unsupported version). The reader's own file is kept.
    virtual BOOL IsCapableToLoad(LPCSTR pszPath, LONG* plLanguageID);
    // Splits a line at the first run of separators into two new heap texts.
    virtual BOOL SplitLine(LPCSTR pszLine, LPSTR* ppszHead, LPSTR* ppszTail, LPCSTR pszSeparators);

    LONG GetLanguageID() const { return m_lLanguageID; }
    LONG GetVersion() const { return m_lVersion; }

private:
    BOOL Rewind();

    FILE* m_pFile = nullptr;
    BOOL m_bEOF = FALSE;
    LONG m_lLanguageID = 0;
    LONG m_lVersion = -1;
};
