#include "bench/ScaledSites.h"

#include "network/CompoundBuilder.h"
#include "sim/cException.h"

namespace {

const HostScaledTestBed* scaledBed = nullptr;

template <int SITE>
class ScaledDataCentre : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return SITE == 1 ? "ScaledDataCentre1" : "ScaledDataCentre2"; }
    void doBuildInside() override
    {
        if (!scaledBed)
            throw cRuntimeError("a scaled data centre is built only while its scaled test bed is in place");
        build_compound(this, scaledBed->site(SITE));
    }
};

template <int SITE>
cModule* create_scaled_site(const char* name, cModule* parent)
{
    return new ScaledDataCentre<SITE>(name, parent);
}

} // namespace

ScaledSitesInPlace::ScaledSitesInPlace(const HostScaledTestBed& bed)
{
    if (scaledBed)
        throw cRuntimeError("a scaled test bed is already in place");
    scaledBed = &bed;
}

ScaledSitesInPlace::~ScaledSitesInPlace()
{
    scaledBed = nullptr;
}

EXECUTE_ON_STARTUP(modtypes.add(new cModuleType("ScaledDataCentre1", "DataCentre1", create_scaled_site<1>)));
EXECUTE_ON_STARTUP(modtypes.add(new cModuleType("ScaledDataCentre2", "DataCentre2", create_scaled_site<2>)));
