#pragma once

#include "bench/ScaledConfiguration.h"
#include "sim/cModuleType.h"

// While it lives, the test bed builds its DataCtr1 and DataCtr2 as the scaled
// sites of `bed` (module types ScaledDataCentre1 and ScaledDataCentre2, with
// the interfaces of DataCentre1 and DataCentre2), so that a run of the scaled
// copy that `bed` writes finds every port it names. One at a time.
class ScaledSitesInPlace {
  public:
    explicit ScaledSitesInPlace(const HostScaledTestBed& bed);
    ~ScaledSitesInPlace();
    ScaledSitesInPlace(const ScaledSitesInPlace&) = delete;
    ScaledSitesInPlace& operator=(const ScaledSitesInPlace&) = delete;

  private:
    ModuleTypeSubstitution site1_{"DataCentre1", "ScaledDataCentre1"};
    ModuleTypeSubstitution site2_{"DataCentre2", "ScaledDataCentre2"};
};
