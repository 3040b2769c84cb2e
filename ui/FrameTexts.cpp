// The main window's text tables and the tooltip answer shared by the frame and its toolbar.
#include "ui/FrameTexts.h"

#include <cstdlib>
#include <cstring>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/Wnd.h"
#include "trace/Trace.h"

namespace {

struct TextEntry {
    UINT nID;
    LONG nTextID;
};

const TextEntry kMenuTexts[] = {{57600, 1}, {57601, 2},  {57603, 3},  {57604, 4},  {57665, 5},
                                {32772, 8}, {32773, 9},  {32782, 10}, {59392, 12}, {59393, 13},
                                {32777, 7}, {32783, 15}, {57664, 17}};
const TextEntry kPromptTexts[] = {{57600, 18}, {57601, 19}, {57603, 20}, {57604, 21}, {57665, 22},
                                  {32772, 23}, {32773, 24}, {32782, 25}, {59392, 26}, {59393, 27},
                                  {32777, 28}, {32783, 29}, {57664, 31}, {1007, 32}};
const TextEntry kToolTipTexts[] = {{57600, 33}, {57601, 34}, {57603, 35}, {32772, 36},
                                   {32773, 37}, {32782, 38}, {57664, 40}, {1007, 39}};
const LONG kPopupTexts[] = {0, 6, 11, 14};

template <size_t N>
LONG Find(const TextEntry (&table)[N], UINT nID) {
    for (const TextEntry& e : table)
        if (e.nID == nID)
            return e.nTextID;
    return -1;
}

}  // namespace

LONG FindMenuTextID(UINT nCommandID) {
    return Find(kMenuTexts, nCommandID);
}

LONG FindPromptTextID(UINT nCommandID) {
    return Find(kPromptTexts, nCommandID);
}

LONG FindToolTipTextID(UINT nToolID) {
    return Find(kToolTipTexts, nToolID);
}

LONG FindPopupTextID(int nPosition) {
    return nPosition >= 0 && nPosition < 4 ? kPopupTexts[nPosition] : -1;
}

BOOL AnswerToolTipRequest(NMHDR* pNMHDR) {
    if (pNMHDR == nullptr)
        return FALSE;
    auto* pTTT = reinterpret_cast<TOOLTIPTEXTA*>(pNMHDR);
    pTTT->lpszText = nullptr;
    std::memset(pTTT->szText, 0, sizeof pTTT->szText);
    pTTT->hinst = nullptr;
    UINT nID = (UINT)pNMHDR->idFrom;
    if (pTTT->uFlags & TTF_IDISHWND) {
        CWnd* pTool = CWnd::FromHandle(reinterpret_cast<HWND>(pNMHDR->idFrom));
        nID = pTool ? (UINT)pTool->GetDlgCtrlID() : 0;
    }
    LONG nTextID = FindToolTipTextID(nID);
    if (nTextID < 0)
        return FALSE;
    LPSTR pszText = nullptr;
    HRESULT hr = GetLanguageText(&pszText, nTextID);
    if (FAILED(hr) || pszText == nullptr) {
        QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
        free(pszText);
        return FALSE;
    }
    // At most 79 bytes, never half a character.
    size_t n = std::strlen(pszText);
    if (n > sizeof pTTT->szText - 1) {
        n = sizeof pTTT->szText - 1;
        while (n > 0 && (((unsigned char)pszText[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(pTTT->szText, pszText, n);
    pTTT->szText[n] = '\0';
    pTTT->lpszText = pTTT->szText;
    free(pszText);
    return TRUE;
}
