#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// One initiator-target pair of a node port: which FCP engine (`Fcp[fcpIdx]`)
// serves which exchange pair of FC-2 (`EePair[eeIndex]` of `NxPort[portIndex]`)
// and what the port login agreed.
struct FcpPair {
    int fcpIdx = 0;
    int eeIndex = -1;
    int portIndex = -1;
    int maxConCurrIu = 0;
    int recTov = 0;
    bool inUse = false;

    void release()
    {
        eeIndex = -1;
        portIndex = -1;
        maxConCurrIu = 0;
        recTov = 0;
        inUse = false;
    }
};

// The FC-4 controller's table of FCP pairs, one entry per FCP engine; entry k
// always describes `Fcp[k]`. Look-ups scan the entries in index order and see
// only entries in use.
class FcpPairTable {
  public:
    // `n` entries, all free.
    void allocate(int n);
    int size() const { return static_cast<int>(pairs_.size()); }
    // Every entry back to its free value.
    void initFcpPairTbl();

    FcpPair* query_fcppair_by_fcpidx(int k);
    bool lookup_fcp_index(int k) { return query_fcppair_by_fcpidx(k) != nullptr; }
    // fcpIdx of the first entry with this exchange pair, or -1.
    int get_fcpindex_by_eeindex(int eeIndex);
    // The first entry whose peer, as `peerOf` reads it from FC-2, is `id`.
    FcpPair* query_fcppair(unsigned long id, const std::function<unsigned long(const FcpPair&)>& peerOf);
    // The first entry for this exchange pair of this port.
    FcpPair* find(int eeIndex, int portIndex);

    // Takes the first free entry for a login: entries that already hold the
    // same exchange pair of the same port are freed first. Null when none is
    // free.
    FcpPair* take(int eeIndex, int portIndex, int maxConCurrIu, int recTov);

  private:
    std::vector<FcpPair> pairs_;
};
