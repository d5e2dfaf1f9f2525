#include <gtest/gtest.h>

#include <fstream>

#include "device/FileNameString.h"
#include "fc4/FcpPairTable.h"
#include "fc4/GidFtListFile.h"
#include "fc4/PeerList.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

namespace {

TEST(FcpPairTable, ALoginTakesTheFirstFreeEntryAndLookupsSeeOnlyEntriesInUse)
{
    FcpPairTable t;
    t.allocate(3);
    EXPECT_EQ(t.get_fcpindex_by_eeindex(-1), -1);
    FcpPair* a = t.take(2, 0, 4, 3000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->fcpIdx, 0);
    FcpPair* b = t.take(5, 0, 2, 3500);
    EXPECT_EQ(b->fcpIdx, 1);
    EXPECT_EQ(t.get_fcpindex_by_eeindex(5), 1);
    EXPECT_TRUE(t.lookup_fcp_index(1));
    EXPECT_FALSE(t.lookup_fcp_index(2));
    EXPECT_EQ(t.find(5, 0), b);
    EXPECT_EQ(t.find(5, 1), nullptr);
    unsigned long peers[] = {0x010100, 0x010200, 0};
    auto peerOf = [&](const FcpPair& p) { return peers[p.fcpIdx]; };
    EXPECT_EQ(t.query_fcppair(0x010200, peerOf), b);
    EXPECT_EQ(t.query_fcppair(0x010300, peerOf), nullptr);
}

TEST(FcpPairTable, ALoginForAPairThatHasAnEntryReplacesIt)
{
    FcpPairTable t;
    t.allocate(2);
    t.take(1, 0, 4, 3000);
    FcpPair* again = t.take(1, 0, 8, 4000);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->fcpIdx, 0);
    EXPECT_EQ(again->maxConCurrIu, 8);
    EXPECT_FALSE(t.lookup_fcp_index(1));
    t.take(2, 0, 1, 1);
    EXPECT_EQ(t.take(3, 0, 1, 1), nullptr);
    t.initFcpPairTbl();
    EXPECT_FALSE(t.lookup_fcp_index(0));
}

TEST(PeerList, ANewPeerTakesTheFirstUnusedEntry)
{
    PeerList peers;
    peers.allocate(2);
    EXPECT_TRUE(peers.take(10));
    EXPECT_TRUE(peers.take(20));
    EXPECT_FALSE(peers.take(30));
    EXPECT_TRUE(peers.holds(20));
    peers.release(10);
    EXPECT_FALSE(peers.holds(10));
    EXPECT_TRUE(peers.take(30));
    EXPECT_EQ(peers.entries()[0].id, 30u);
    peers.clear();
    EXPECT_FALSE(peers.holds(30));
}

class GidFtList : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.make("gidft"));
        file = scratch.file("GidFt50000.tmp");
    }
    void write(const char* text) { std::ofstream(file) << text; }
    ScratchDirectory scratch;
    cCompoundModule reader{"Reader", nullptr};
    std::string file;
};

TEST_F(GidFtList, IdentifiersAreReadInFileOrder)
{
    write("328195\n 328192\t328193\n");
    auto ids = read_gid_ft_list(&reader, file, 3);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{328195, 328192, 328193}));
    EXPECT_EQ(read_gid_ft_list(&reader, file, 1), (std::vector<std::uint32_t>{328195}));
    EXPECT_TRUE(read_gid_ft_list(&reader, file, 0).empty());
}

TEST_F(GidFtList, AShortFileStopsTheRunNamingTheFile)
{
    write("328195\n");
    EXPECT_EQ(errorOf([&] { read_gid_ft_list(&reader, file, 2); }),
              "---> GID_FT list in the file \"" + file + "\" holds 1 of the 2 identifiers announced");
}

TEST_F(GidFtList, SomethingElseThanAnIdentifierStopsTheRun)
{
    write("328195 12ab\n");
    EXPECT_EQ(errorOf([&] { read_gid_ft_list(&reader, file, 2); }),
              "---> GID_FT list in the file \"" + file + "\" holds \"12ab\" where an N_Port identifier should be");
    write("16777216\n");
    EXPECT_NE(errorOf([&] { read_gid_ft_list(&reader, file, 1); }).find("16777216"), std::string::npos);
}

TEST_F(GidFtList, AMissingFileStopsTheRun)
{
    EXPECT_EQ(errorOf([&] { read_gid_ft_list(&reader, "no_such_list.tmp", 1); }),
              "ERROR: Couldn't open file no_such_list.tmp !: No such file or directory");
}

TEST(FileNameString, TheReaderTakesTheNameAndFreesIt)
{
    const long address = new_file_name_string("out/GidFt50000.tmp");
    ASSERT_NE(address, 0);
    EXPECT_EQ(take_file_name_string(address), "out/GidFt50000.tmp");
    EXPECT_EQ(take_file_name_string(0), "");
}

TEST(SequenceEnvelope, DiscardingAnEnvelopeDeletesWhatItCarries)
{
    cCompoundModule root("Root", nullptr);
    root.addPar("fc4IuIndex").setLongValue(7);
    const long before = cMessage::liveMessageCount();
    auto* packet = new FcGsPacket("FC_GS_GIDFT_ACC", FC_GS_GIDFT_ACC);
    packet->setLength(24);
    packet->setGidFtFileNamePtr(new_file_name_string("list.tmp"));
    EnvelopeRoute route;
    route.sId = 0xFFFFFC;
    route.dId = 0x010203;
    route.type = 0x20;
    FcSeqPayload* env = new_envelope(packet, 99, &root, route);
    EXPECT_EQ(env->length(), 24);
    EXPECT_EQ(env->getFc4IuIndex(), 7u);
    EXPECT_EQ(root.par("fc4IuIndex").longValue(), 8);
    EXPECT_EQ(env->getFc4MemAddr(), 99u);
    EXPECT_EQ(carried_object(env), packet);
    auto* wrapper = new cMessage("RECV_COST", 0, 0);
    wrapper->encapsulate(env);
    EXPECT_EQ(cMessage::liveMessageCount(), before + 3);
    discard_message(wrapper);
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

} // namespace
