// The link claims a unit before it opens it and lets go when it closes it, so
// that a second program never drives the same unit.
#include "transport/LinkFixture.h"

#include <map>

namespace {

using Kind = ConnectionEvent::Kind;

// What claims as a lock folder shared with other programs would grant: held
// keys refuse everyone else.
struct ClaimRecord {
    std::map<std::string, UnitHolder> heldByOthers;
    std::vector<std::string> claims;
    std::vector<std::string> released;
    std::string held;
};

class FakeClaims : public CUnitClaims {
public:
    explicit FakeClaims(ClaimRecord& record) : m_record(record) {}

    bool Claim(const std::string& key, UnitHolder& holder) override
    {
        m_record.claims.push_back(key);
        if (const auto other = m_record.heldByOthers.find(key); other != m_record.heldByOthers.end()) {
            holder = other->second;
            return false;
        }
        m_record.held = key;
        return true;
    }

    void Release() override
    {
        if (!m_record.held.empty())
            m_record.released.push_back(m_record.held);
        m_record.held.clear();
    }

private:
    ClaimRecord& m_record;
};

class LinkClaim : public LinkTest {
protected:
    void StartClaiming()
    {
        Start();
        Link().ClaimUnitsThrough(std::make_unique<FakeClaims>(m_claims));
    }

    ClaimRecord m_claims;   // ends after the unit, which the fixture's TearDown ends
};

TEST_F(LinkClaim, AUnitAnotherProgramHasIsNotOpenedAndTheHolderIsTold)
{
    AddDevice(Spec("/dev/hidraw5"));
    m_claims.heldByOthers["/dev/hidraw5"] = {4242, "quenda backup all.json"};
    StartClaiming();
    Link().OnConnectButton();
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(m_sim.OpenHandles(0), 0) << "not even opened for a moment";
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{Event(Kind::ConnectFailed, LinkProblem::InUse)});
    EXPECT_EQ(Link().Problem(), LinkProblem::InUse);
    EXPECT_EQ(Link().Holder().processId, 4242);
    EXPECT_EQ(Link().Holder().command, "quenda backup all.json");
    EXPECT_EQ(Link().DevicePath(), "/dev/hidraw5");

    m_claims.heldByOthers.clear();   // the other program ended
    Link().OnConnectButton();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(m_claims.held, "/dev/hidraw5");
    EXPECT_EQ(m_sim.OpenHandles(0), 2);
}

struct KeyCase {
    const char* serial;
    const char* key;
};

class LinkClaimKey : public LinkClaim, public testing::WithParamInterface<KeyCase> {};

TEST_P(LinkClaimKey, AUnitIsClaimedByItsSerialNumberOrElseItsPath)
{
    SimulatedDeviceSpec spec = Spec("/dev/hidraw6");
    spec.serial = GetParam().serial;
    AddDevice(spec);
    StartClaiming();
    Link().OnConnectButton();
    ASSERT_TRUE(IsConnected());
    EXPECT_EQ(m_claims.claims, std::vector<std::string>{GetParam().key});
}

INSTANTIATE_TEST_SUITE_P(Keys, LinkClaimKey,
                         testing::Values(KeyCase{"", "/dev/hidraw6"}, KeyCase{"QD-0042", "QD-0042"}));

// Disconnecting, losing the unit and ending all let go of it.
TEST_F(LinkClaim, TheClaimEndsWithTheOpenHandles)
{
    AddDevice(Spec("/dev/hidraw5"));
    StartClaiming();
    Link().OnConnectButton();
    Link().OnConnectButton();   // the user disconnects
    EXPECT_EQ(m_claims.released, std::vector<std::string>{"/dev/hidraw5"});
    EXPECT_TRUE(m_claims.held.empty());

    Link().OnConnectButton();
    m_sim.Unplug(0);
    ASSERT_TRUE(DispatchUntilLost());
    EXPECT_EQ(m_claims.released, (std::vector<std::string>{"/dev/hidraw5", "/dev/hidraw5"}));

    m_sim.Plug(0);
    DispatchDeviceChanges();
    ASSERT_TRUE(IsConnected());
    EXPECT_EQ(m_claims.held, "/dev/hidraw5") << "claimed again on the way back";
    m_unit.reset();   // the program ends
    EXPECT_EQ(m_claims.released.size(), 3u);
}

// Found in use on the way back after a loss: tried again on the looks, and
// connected once the other program let go.
TEST_F(LinkClaim, AUnitTakenMeanwhileIsConnectedOnceFreeAgain)
{
    AddDevice(Spec("/dev/hidraw5"));
    StartClaiming();
    Link().OnConnectButton();
    m_sim.Unplug(0);
    ASSERT_TRUE(DispatchUntilLost());
    m_claims.heldByOthers["/dev/hidraw5"] = {777, "quenda"};
    m_sim.Plug(0);
    DispatchDeviceChanges();
    LinkTicks(30);
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(m_sim.OpenHandles(0), 0);
    m_claims.heldByOthers.clear();
    LinkTicks(10);
    EXPECT_TRUE(IsConnected());
}

}  // namespace
