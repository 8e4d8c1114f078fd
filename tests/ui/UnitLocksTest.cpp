// The lock files between programs: a unit one program has is refused to the
// next with the holder's process id and command; letting go, ending and
// crashing all free it.
#include "ui/common/UnitLocks.h"

#include "OwnCommandLine.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UnitLocks : public testing::Test {
protected:
    // Another program that claims key and holds it.
    void StartHolder(QProcess& holder, const std::string& key)
    {
        holder.start(QStringLiteral(HOLD_UNIT_LOCK_EXECUTABLE), {m_folder.path(), QString::fromStdString(key)});
        ASSERT_TRUE(holder.waitForStarted());
        ASSERT_TRUE(holder.waitForReadyRead(10000));
        ASSERT_EQ(holder.readAll(), "held\n");
    }

    QTemporaryDir m_folder;
};

TEST_F(UnitLocks, ASecondClaimIsRefusedWithTheHolderUntilTheFirstLetsGo)
{
    CUnitLocks first(m_folder.path()), second(m_folder.path());
    UnitHolder holder;
    ASSERT_TRUE(first.Claim("/dev/hidraw3", holder));
    EXPECT_TRUE(QFile::exists(first.LockFilePath("/dev/hidraw3")));
    EXPECT_FALSE(second.Claim("/dev/hidraw3", holder));
    EXPECT_EQ(holder.processId, QCoreApplication::applicationPid());
    EXPECT_EQ(holder.command, OwnCommandLine().toStdString());
    UnitHolder none;
    EXPECT_TRUE(second.Claim("QD-0042", none)) << "another unit is free";
    EXPECT_EQ(none.processId, 0);

    first.Release();
    EXPECT_FALSE(QFile::exists(first.LockFilePath("/dev/hidraw3")));
    EXPECT_TRUE(second.Claim("/dev/hidraw3", holder));
}

TEST_F(UnitLocks, KeysBecomeFileNamesThatHoldOnlySafeCharacters)
{
    const CUnitLocks locks(m_folder.path());
    EXPECT_EQ(locks.LockFilePath("/dev/hidraw3"), m_folder.filePath("quenda-unit-_2fdev_2fhidraw3.lock"));
    EXPECT_EQ(locks.LockFilePath("QD-0042"), m_folder.filePath("quenda-unit-QD-0042.lock"));
    EXPECT_EQ(locks.LockFilePath("../x y"), m_folder.filePath("quenda-unit-_2e_2e_2fx_20y.lock"));
}

TEST_F(UnitLocks, AnotherProgramIsNamedAndItsEndFreesTheUnit)
{
    QProcess holderProgram;
    StartHolder(holderProgram, "QD-0042");
    CUnitLocks locks(m_folder.path());
    UnitHolder holder;
    EXPECT_FALSE(locks.Claim("QD-0042", holder));
    EXPECT_EQ(holder.processId, holderProgram.processId());
    EXPECT_EQ(holder.command, std::string(HOLD_UNIT_LOCK_EXECUTABLE) + " " + m_folder.path().toStdString() + " QD-0042");
    holderProgram.closeWriteChannel();   // it ends and lets go
    ASSERT_TRUE(holderProgram.waitForFinished());
    EXPECT_TRUE(locks.Claim("QD-0042", holder));
}

TEST_F(UnitLocks, ALockLeftByAProgramThatCrashedIsTakenOver)
{
    QProcess holderProgram;
    StartHolder(holderProgram, "/dev/hidraw3");
    holderProgram.kill();   // SIGKILL: the lock file stays behind
    ASSERT_TRUE(holderProgram.waitForFinished());
    CUnitLocks locks(m_folder.path());
    ASSERT_TRUE(QFile::exists(locks.LockFilePath("/dev/hidraw3")));
    UnitHolder holder;
    EXPECT_TRUE(locks.Claim("/dev/hidraw3", holder));
}

}  // namespace
