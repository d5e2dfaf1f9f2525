#include "network/RootModule.h"

#include "sim/cModule.h"

cModule* find_root(const cModule* module)
{
    cModule* m = module->parentModule();
    while (m && m->findPar("rootFlag") < 0)
        m = m->parentModule();
    if (!m)
        module->error("No module above this one has the parameter rootFlag");
    return m;
}

long take_a_number(cModule* root, const char* counter)
{
    cPar& p = root->par(counter);
    long v = p.longValue();
    p.setLongValue(v + 1);
    return v;
}

long def_con_curr_seq(const cModule* module, cModule* root)
{
    const long n = root->par("defConCurrSeq").longValue();
    if (n < 1 || n > 255)
        module->error("---> defConCurrSeq must be within [1,255]. Please check the file \"omnetpp.ini\"");
    return n;
}

std::string take_temp_file_name(cModule* root, const char* counter, const char* prefix)
{
    long number = take_a_number(root, counter);
    return std::string(root->par("progDataDir").stringValue()) + prefix + std::to_string(number) + ".tmp";
}
