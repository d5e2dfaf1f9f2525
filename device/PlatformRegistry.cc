#include "device/PlatformRegistry.h"

#include <fstream>
#include <string>

#include "device/InputFile.h"
#include "device/OutputFile.h"
#include "sim/cModule.h"

void register_platform_name(const cModule* device, cModule* root, long equipId, long pfName,
                            const char* invalidNameFormat)
{
    const std::string path = std::string(root->par("progDataDir").stringValue()) + "PfOut.tmp";
    if (pfName == 0)
        device->error(invalidNameFormat, pfName);
    if (equipId != 0) {
        std::ifstream in = open_input_file(device, path, "---> Couldn't open file \"%s\" for read");
        unsigned long name;
        while (in >> name)
            if (name == static_cast<unsigned long>(pfName))
                device->error("---> reg_pfname : found duplicate Pf_Name: %ld", pfName);
    }
    OutputStream out = open_output_file(device, path, equipId == 0, "---> Couldn't open file \"%s\" for write");
    out << pfName << '\n';
    out.finish();
}
