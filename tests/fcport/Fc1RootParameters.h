#pragma once

#include "sim/Sim.h"

// The run-wide parameters that the FC-1 layer reads from the root: no link
// events, the link costs and the light speed; evDone (and with ioDone
// simDone) at evEndDelay ms.
inline void addFc1RootParameters(cModule* root)
{
    for (const char* flag : {"evEndMsgDone", "evDone", "ioDone"})
        root->addPar(flag).setBoolValue(false);
    root->addPar("linkEvConfFileNew").setBoolValue(true);
    root->addPar("lastEvTime").setLongValue(0);
    root->addPar("lastEvModId").setLongValue(-1);
    root->addPar("linkEventFile").setStringValue("NoLinkEvents.txt");
    root->addPar("linkEvConfFile").setStringValue("LinkEvConf.txt");
    root->addPar("light_speed").setLongValue(300000);
    root->addPar("link_1G_cost").setLongValue(1000);
    root->addPar("link_2G_cost").setLongValue(500);
    root->addPar("s_fact_km").setLongValue(10);
    root->addPar("maxLinkEv").setLongValue(10);
    root->addPar("minEvInt").setDoubleValue(1000);
    root->addPar("evEndDelay").setDoubleValue(500);
}
