// Another client of the test profile's store: changes the store behind the program's back.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/mapi/MAPIX.h"

class CConfigInfo;

namespace qrvtest {

// A session and store of its own on the profile "work", as another mail program would hold them.
class CStoreClient {
public:
    explicit CStoreClient(CConfigInfo* pConfig);
    ~CStoreClient();
    CStoreClient(const CStoreClient&) = delete;
    CStoreClient& operator=(const CStoreClient&) = delete;

    IMsgStore* Store() const { return m_lpMDB; }
    // A folder below the inbox (made when missing); its entry id.
    std::vector<BYTE> MakeFolder(const std::vector<BYTE>& parent, const char* lpszName);
    // A mail in a folder; its entry id.
    std::vector<BYTE> AddMail(const std::vector<BYTE>& folder, const std::string& subject,
                              const std::string& sender, DWORD dwModified);
    // Soft-deletes an item of a folder.
    void DeleteItem(const std::vector<BYTE>& folder, const std::vector<BYTE>& item);
    // Sets one text property of an item and saves it.
    void SetText(const std::vector<BYTE>& item, ULONG ulTag, const char* lpszValue);
    // Removes a folder and its items for good, as the store tool does.
    void DeleteFolder(const std::vector<BYTE>& folder);
    std::set<std::vector<BYTE>> LiveItems(const std::vector<BYTE>& folder);

private:
    IMAPIFolder* Open(const std::vector<BYTE>& folder);

    IMAPISession* m_lpSession = nullptr;
    IMsgStore* m_lpMDB = nullptr;
};

}  // namespace qrvtest
