#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "sim/Sim.h"

// Each test runs in a fresh working directory that holds copies of the data
// files, under a root module "Velmora" with the run-wide parameters that the
// configuration and log helpers use.
class FcportTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/velmora_fcport_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        oldDir = std::filesystem::current_path();
        for (const auto& f : std::filesystem::directory_iterator(VELMORA_TEST_DATA))
            std::filesystem::copy(f.path(), dir / f.path().filename());
        std::filesystem::current_path(dir);

        simulation.deleteNetwork();
        root = new cCompoundModule("Velmora", nullptr);
        simulation.setSystemModule(root);
        root->addPar("rootFlag").setBoolValue(true);
        for (const char* flag : {"warnFileNew", "timingFileNew", "nxPortMapNew"})
            root->addPar(flag).setBoolValue(true);
        for (const char* counter : {"warningsCnt", "actvNxPortNum"})
            root->addPar(counter).setLongValue(0);
        root->addPar("iniEqName").setLongValue(100000);
        root->addPar("defConCurrSeq").setLongValue(16);
        root->addPar("warningsFile").setStringValue("logs/Warnings.log");
        root->addPar("timingFile").setStringValue("Timing.txt");
        root->addPar("nxPortMapFile").setStringValue("NxPortMap.txt");
        root->addPar("progDataDir").setStringValue("out/");
        root->addPar("cpuUtilDir").setStringValue("cpu/");
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(dir);
    }

    static void writeFile(const std::string& name, const std::string& text) { std::ofstream(name) << text; }
    static std::string readFile(const std::string& name)
    {
        std::ifstream in(name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The text of the error that `f` stops the run with; empty when it does not.
    static std::string errorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const cRuntimeError& e) {
            return e.what();
        }
        return "";
    }
    // `text` left-justified in a column of `width`.
    static std::string col(const std::string& text, size_t width)
    {
        return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
    }
    static cModule* compound(const char* name, cModule* parent, int index = -1, int size = 1)
    {
        auto* m = new cCompoundModule(name, parent);
        if (index >= 0)
            m->setIndex(index, size);
        return m;
    }

    std::filesystem::path dir, oldDir;
    cModule* root = nullptr;
};
