// Long runs against the sandbox: many connects and statements hold no more memory at the end than
// after a short warm-up, and a result of five million rows costs about its bytes.

#include "HeapInUse.h"
#include "Sandbox.h"
#include "server/MySql.h"
#include "server/ResultBlock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

// A leak of a few bytes per round shows over these counts; the allowance covers the library's and
// the allocator's own bookkeeping, which settles during the warm-up.
constexpr std::size_t Allowance = 128 * 1024;

} // namespace

// A connect that the server refuses takes the handle through the whole handshake and back; one
// that succeeds also reads the reserved words and the catalogue, which takes long enough that
// fewer rounds of it are run.
TEST(Endurance, AThousandConnectsAndDisconnectsHoldNoMoreMemory) {
    auto m = SandboxHost();
    const auto rounds = [&m](int n, bool succeed) {
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(m->Connect(), succeed) << m->ErrorText();
            ASSERT_EQ(m->IsAlive(), succeed);
            if (!succeed) {
                ASSERT_FALSE(m->ErrorText().empty());
            }
            m->Disconnect();
        }
    };
    const std::string password = m->Password;
    m->Password = "not the password";
    rounds(50, false);
    std::size_t before = HeapInUse();
    rounds(1000, false);
    EXPECT_LT(HeapInUse(), before + Allowance) << "refused: grew by " << HeapInUse() - before << " bytes";

    m->Password = password;
    rounds(3, true);
    before = HeapInUse();
    rounds(10, true);
    EXPECT_LT(HeapInUse(), before + Allowance) << "connected: grew by " << HeapInUse() - before << " bytes";
}

TEST(Endurance, TenThousandStatementsHoldNoMoreMemory) {
    auto m = ConnectedSandbox();
    const auto statement = [&m](int i) {
        // Rows, no rows, and errors, as a session mixes them.
        const std::string sql = i % 3 == 0   ? "SELECT " + std::to_string(i) + ", REPEAT('x', 100)"
                                : i % 3 == 1 ? "DO " + std::to_string(i)
                                             : "SELECT * FROM no_such_table_" + std::to_string(i % 7);
        TResult* r = m->Execute(sql);
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->Rows.Count(), i % 3 == 0 ? 1 : 0) << r->ErrorText();
    };
    for (int i = 0; i < 300; ++i)
        statement(i);
    const std::size_t before = HeapInUse();
    for (int i = 0; i < 10000; ++i)
        statement(i);
    EXPECT_LT(HeapInUse(), before + Allowance) << "grew by " << HeapInUse() - before << " bytes";
    EXPECT_TRUE(m->IsAlive());
}

TEST(Endurance, FiveMillionRowsCostAboutTheirBytes) {
    auto m = ConnectedSandbox();
    const std::size_t before = HeapInUse();
    TResult* r = m->Execute("SELECT seq FROM mysql.seq_1_to_5000000");
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(r->ErrorText().empty()) << r->ErrorText();
    const TResultBlock& block = *r->Block();
    ASSERT_EQ(block.RowCount(), 5000000u);
    EXPECT_EQ(block.Cell(4999999, 0), "5000000");
    // The digits of 1 to 5,000,000 and one 32-bit end per cell: nothing per row besides.
    const std::size_t digits = 9 + 90 * 2 + 900 * 3 + 9000 * 4 + 90000 * 5 + 900000 * 6 + 4000001 * 7;
    EXPECT_EQ(block.CellBytes(), digits);
    EXPECT_LE(block.MemoryUsed(), digits + 5000000 * 4 + 64 * 1024);
    // Nothing else of the transfer stays behind.
    EXPECT_LT(HeapInUse(), before + block.MemoryUsed() + 4 * 1024 * 1024);
}
