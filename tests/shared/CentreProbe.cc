#include "tests/shared/CentreProbe.h"

#include <algorithm>
#include <string>

#include "messages/MsgKinds.h"

void CentreProbe::attach(cModule* sw)
{
    cModule* centre = sw->submodule("SwCtrlCtr");
    const int n = centre->gateSize("to_swport");
    for (int i = 0; i < n; ++i) {
        cModule* port = sw->submodule("SwPort", i);
        toCentre_.push_back(MessageTap::splice(sw, ("ToCentre" + std::to_string(i)).c_str(), port->gate("to_swctrl")));
        fromCentre_.push_back(
            MessageTap::splice(sw, ("FromCentre" + std::to_string(i)).c_str(), centre->gate("to_swport", i)));
    }
}

std::vector<CentreProbe::Seen> CentreProbe::collect(const std::vector<MessageTap*>& taps, int kind)
{
    std::vector<Seen> out;
    for (size_t i = 0; i < taps.size(); ++i)
        for (const MessageTap::Passage* p : taps[i]->ofKind(kind))
            out.push_back({static_cast<int>(i), p});
    std::stable_sort(out.begin(), out.end(), [](const Seen& a, const Seen& b) { return a->time < b->time; });
    return out;
}

std::vector<CentreProbe::Seen> CentreProbe::toCentre(int kind) const
{
    return collect(toCentre_, kind);
}

std::vector<CentreProbe::Seen> CentreProbe::fromCentre(int kind) const
{
    return collect(fromCentre_, kind);
}

const std::vector<CentreProbe::Frame>& CentreProbe::frames() const
{
    if (framesRead_)
        return frames_;
    framesRead_ = true;
    std::vector<Frame>& out = frames_;
    const std::vector<Seen> payloads = fromCentre(FC_FRAME_PAYLOAD);
    for (const Seen& head : fromCentre(REQ_FRM_FWD)) {
        Frame f{head->time, static_cast<int>(head->srcPort), head.port, head->sId, head->dId, head->type, head->rCtl, 0,
                head->hops};
        for (const Seen& pay : payloads)
            if (pay.port == head.port && pay->frmGid == head->frmGid && pay->time >= head->time) {
                f.payLen = pay->payLen;
                break;
            }
        out.push_back(f);
    }
    return out;
}

std::vector<const CentreProbe::Frame*> CentreProbe::framesOf(unsigned type, unsigned rCtl) const
{
    std::vector<const Frame*> out;
    for (const Frame& f : frames())
        if (f.type == type && f.rCtl == rCtl)
            out.push_back(&f);
    return out;
}
