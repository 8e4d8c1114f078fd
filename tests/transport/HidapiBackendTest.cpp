// The hidapi back-end as far as a machine without the unit allows, and the
// shape of the input reports it hands on.
#include "transport/HidBackendHidapi.h"
#include "transport/LinkFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

TEST(HidapiBackend, EnumerationFindsNoUnitOnAMachineWithoutOne)
{
    CHidapiBackend backend;
    const std::vector<HidInterfaceInfo> interfaces = backend.Enumerate();
    EXPECT_TRUE(std::none_of(interfaces.begin(), interfaces.end(), [](const HidInterfaceInfo& info) {
        return info.vendor == kUnitVendorId && info.product == kUnitProductId;
    }));
}

TEST(HidapiBackend, ConnectWithoutTheUnitIsToldAsNotFound)
{
    auto backend = MakeHidBackend(HidBackendKind::Hidapi);
    RecordingObserver observer;
    {
        CUnit unit(*backend, observer);
        unit.Start();
        unit.ConnectButton();
        EXPECT_FALSE(unit.IsConnected());
        EXPECT_TRUE(unit.Link().HandlesClosed());
    }
    EXPECT_EQ(observer.events, std::vector<ConnectionEvent>{kNotFoundEvent});
}

TEST(HidapiBackend, OpeningAMissingPathFails)
{
    CHidapiBackend backend;
    const HidOpenResult result = backend.Open("/dev/hidraw-quenda-missing", false);
    EXPECT_EQ(result.handle, kInvalidHidHandle);
    EXPECT_EQ(result.error, HidOpenError::Other);
    EXPECT_EQ(result.reason, "/dev/hidraw-quenda-missing: No such file or directory");
}

TEST(HidapiBackend, NodeWithoutAccessRightsIsTold)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open any node";
    char path[] = "/tmp/quenda-hidraw-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ::chmod(path, 0);
    CHidapiBackend backend;
    const HidOpenResult result = backend.Open(path, true);
    ::unlink(path);
    EXPECT_EQ(result.handle, kInvalidHidHandle);
    EXPECT_EQ(result.error, HidOpenError::PermissionDenied);
    EXPECT_EQ(result.reason, std::string(path) + ": Permission denied");
}

// hidapi calls other library functions after a failed write, so errno is not
// what tells an unplugged unit from a refused write: the vanished node is.
TEST(HidapiBackend, AFailedWriteOnANodeThatVanishedMeansTheUnitIsGone)
{
    char path[] = "/tmp/quenda-hidraw-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(ClassifyWriteFailure(path), HidWriteResult::Failed);
    ::unlink(path);
    errno = 0;
    EXPECT_EQ(ClassifyWriteFailure(path), HidWriteResult::Gone);
    EXPECT_EQ(ClassifyWriteFailure("/dev/hidraw-quenda-never-there"), HidWriteResult::Gone);
}

TEST(HidapiBackend, UnknownHandlesAreRefused)
{
    CHidapiBackend backend;
    std::uint8_t report[kOutputReportSize] = {};
    const HidWriteStatus written = backend.Write(42, report);
    EXPECT_EQ(written.result, HidWriteResult::Failed);
    EXPECT_EQ(written.reason, "the handle is closed");
    const HidReadStatus read = backend.Read(42, report, 0);
    EXPECT_EQ(read.result, HidReadResult::Failed);
    EXPECT_EQ(read.reason, "the handle is closed");
}

struct NormaliseCase {
    std::vector<std::uint8_t> read;
    std::vector<std::uint8_t> expected;   // the first bytes of the 65; the rest must be zero
};

std::vector<std::uint8_t> Counting(int n, std::uint8_t first)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

std::vector<std::uint8_t> Joined(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HidapiNormalise : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(HidapiNormalise, ReceiverGetsTheReportIdThenSixtyFourBytes)
{
    const NormaliseCase c = GetParam();
    std::uint8_t out[kInputReportSize];
    std::fill(std::begin(out), std::end(out), 0xEE);
    NormaliseInputReport(c.read.data(), static_cast<int>(c.read.size()), out);
    std::vector<std::uint8_t> expected = c.expected;
    expected.resize(kInputReportSize, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + kInputReportSize), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, HidapiNormalise,
    ::testing::Values(NormaliseCase{Counting(64, 0x5A), Joined({0x00}, Counting(64, 0x5A))},   // no ID byte
                      NormaliseCase{Counting(65, 0x00), Counting(65, 0x00)},                   // ID 0 first
                      NormaliseCase{Joined({0x03}, Counting(64, 1)), Joined({0x03}, Counting(64, 1))},
                      NormaliseCase{Counting(70, 0x10), Counting(65, 0x10)},                   // longer: cut
                      NormaliseCase{Counting(10, 0x5A), Joined({0x00}, Counting(10, 0x5A))}));  // short: padded

}  // namespace
