#include "tests/shared/TestRoot.h"

#include <vector>

#include "network/NetworkTestBed.h"

const sDescrItem* test_root_items()
{
    static const std::vector<sDescrItem> items = [] {
        std::vector<sDescrItem> v{{'M', "default", nullptr, 0}};
        for (const RootParamDecl& p : root_parameters())
            v.push_back({'P', p.name, p.types, 0});
        v.push_back({'E', nullptr, nullptr, 0});
        return v;
    }();
    return items.data();
}
