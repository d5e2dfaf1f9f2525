#pragma once

#include <utility>
#include <vector>

class cModule;
class cPar;

// The peer address parameter of the exchange pairs of FC-2, as FC-4 reads it
// for every sequence and information unit. Each pair's parameter is found
// once by its path below the port ("Fc2.EePair[k]") and read directly from
// then on: the pairs are made at set-up and live as long as their port.
class EePairPeers {
  public:
    // `peerAddrId` of EePair[eeIndex] of `port`; null when there is no such pair.
    const cPar* find(cModule* port, int eeIndex);

  private:
    // Per port, by exchange pair index; null where not looked up yet.
    std::vector<std::pair<cModule*, std::vector<const cPar*>>> ports_;
};
