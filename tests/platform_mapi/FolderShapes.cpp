// Deep and cyclic folder trees written with SQL into a store file.
#include "tests/platform_mapi/FolderShapes.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/mapi/StoreAdmin.h"

namespace mapitest {

void ExecOnStore(const std::string& storeFile, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath(storeFile).c_str(), &db));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void MakeFolderChainBelowInbox(const std::string& storeFile, int depth) {
    // Ids above every folder there is; each level's parent is the one made before it.
    ExecOnStore(storeFile,
                "BEGIN;"
                "WITH RECURSIVE chain(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM chain WHERE n < " +
                    std::to_string(depth) +
                    "), base(b) AS (SELECT max(id) FROM folders) "
                    "INSERT INTO folders(id, parent, name, class, type) SELECT b + n, CASE n WHEN 1 THEN "
                    "(SELECT value FROM meta WHERE key = 'folder.inbox') ELSE b + n - 1 END, 'f', "
                    "'IPF.Note', 1 FROM chain, base;"
                    "COMMIT;");
}

void MakeCycleThroughInbox(const std::string& storeFile, const std::string& name) {
    ExecOnStore(storeFile, "UPDATE folders SET parent = (SELECT id FROM folders WHERE name = '" + name +
                               "') WHERE id = (SELECT value FROM meta WHERE key = 'folder.ipm');");
}

void CutOffFromTheTop(const std::string& storeFile, const std::string& name, const std::string& child) {
    ExecOnStore(storeFile,
                "UPDATE folders SET parent = (SELECT c.id FROM folders c JOIN folders p ON c.parent = p.id "
                "WHERE p.name = '" +
                    name + "' AND c.name = '" + child + "') WHERE name = '" + name + "';");
}

void MakeFolderItsOwnParent(const std::string& storeFile, const std::string& name) {
    ExecOnStore(storeFile, "UPDATE folders SET parent = id WHERE name = '" + name + "';");
}

}  // namespace mapitest
