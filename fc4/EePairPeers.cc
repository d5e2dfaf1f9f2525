#include "fc4/EePairPeers.h"

#include <string>

#include "sim/cModule.h"

const cPar* EePairPeers::find(cModule* port, int eeIndex)
{
    if (eeIndex < 0)
        return nullptr;
    std::vector<const cPar*>* pairs = nullptr;
    for (auto& [known, list] : ports_)
        if (known == port)
            pairs = &list;
    if (!pairs)
        pairs = &ports_.emplace_back(port, std::vector<const cPar*>()).second;
    const auto k = static_cast<size_t>(eeIndex);
    if (k < pairs->size() && (*pairs)[k])
        return (*pairs)[k];
    const std::string path = "Fc2.EePair[" + std::to_string(eeIndex) + "]";
    cModule* ee = port->moduleByRelativePath(path.c_str());
    if (!ee)
        return nullptr;
    if (k >= pairs->size())
        pairs->resize(k + 1, nullptr);
    (*pairs)[k] = &ee->par("peerAddrId");
    return (*pairs)[k];
}
