// The statement steps the store and profile databases share: numbers bound in order, missing and
// failing rows told apart, every row read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/mapi/SqlSteps.h"
#include "tests/support/TempRoot.h"

namespace {

using qrvmapi::CSqliteDb;
using qrvmapi::CStmt;

struct CPair {
    LONGLONG m_a = 0;
    LONGLONG m_b = 0;
};

void ReadPair(CStmt& stmt, CPair& pair) {
    pair.m_a = stmt.Int(0);
    pair.m_b = stmt.Int(1);
}

class SqlStepsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, m_db.Open(m_root.Path() + "/steps.db", true));
        ASSERT_EQ(S_OK, m_db.Exec("CREATE TABLE pairs(a INTEGER NOT NULL, b INTEGER NOT NULL, UNIQUE(a))"));
    }
    std::vector<CPair> All() {
        std::vector<CPair> rows;
        auto stmt = m_db.Prepare("SELECT a, b FROM pairs ORDER BY a");
        EXPECT_EQ(S_OK, qrvmapi::ReadAllRows(*stmt, ReadPair, rows));
        return rows;
    }

    qrvtest::TempRoot m_root;
    CSqliteDb m_db;
};

TEST_F(SqlStepsTest, ExecWithBindsTheNumbersToTheirPlacesInOrder) {
    EXPECT_TRUE(All().empty());
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {1, 10}));
    // The places in the text need not come in order: ?2 is the second number wherever it stands.
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(b, a) VALUES(?2, ?1)", {2, 20}));
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "UPDATE pairs SET b = ?2 WHERE a = ?1", {1, 11}));
    std::vector<CPair> rows = All();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(1, rows[0].m_a);
    EXPECT_EQ(11, rows[0].m_b);
    EXPECT_EQ(2, rows[1].m_a);
    EXPECT_EQ(20, rows[1].m_b);
    // A statement whose rows are not wanted still succeeds when it has some.
    EXPECT_EQ(S_OK, qrvmapi::ExecWith(m_db, "SELECT a FROM pairs WHERE a >= ?1", {0}));
}

TEST_F(SqlStepsTest, ExecWithReportsTheFailureOfPreparingAndOfRunning) {
    // A statement that cannot be prepared never reaches the table.
    EXPECT_TRUE(FAILED(qrvmapi::ExecWith(m_db, "INSERT INTO nowhere(a) VALUES(?1)", {1})));
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {5, 1}));
    // A constraint broken while running is a failure too, and leaves the table as it was.
    EXPECT_TRUE(FAILED(qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {5, 2})));
    std::vector<CPair> rows = All();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(1, rows[0].m_b);
    // The cached statement was left clean: the next use of it works.
    EXPECT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {6, 2}));
    EXPECT_EQ(2u, All().size());
}

TEST_F(SqlStepsTest, ReadFirstRowTellsNoRowFromAFoundOne) {
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {3, 30}));
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {4, 40}));
    CPair pair{-1, -1};
    {
        auto stmt = m_db.Prepare("SELECT a, b FROM pairs WHERE a = ?1");
        stmt->Bind(1, 9);
        EXPECT_EQ(MAPI_E_NOT_FOUND, qrvmapi::ReadFirstRow(*stmt, ReadPair, pair));
        EXPECT_EQ(-1, pair.m_a);  // untouched when there is no row
    }
    auto stmt = m_db.Prepare("SELECT a, b FROM pairs WHERE a >= ?1 ORDER BY a");
    stmt->Bind(1, 0);
    ASSERT_EQ(S_OK, qrvmapi::ReadFirstRow(*stmt, ReadPair, pair));
    EXPECT_EQ(3, pair.m_a);
    EXPECT_EQ(30, pair.m_b);
}

}  // namespace
