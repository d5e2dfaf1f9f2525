#pragma once

#include <filesystem>

// A fresh working directory for one test. enter() makes it from a mkdtemp
// pattern ("/tmp/velmora_xxx_XXXXXX"), copies into it the files of `dataDir`
// when one is given and makes it the current directory; leave() goes back to
// where the test started and removes it with everything the test wrote.
//
// enter() fails the test fatally when the directory cannot be made; call it
// inside ASSERT_NO_FATAL_FAILURE so that the set-up stops there.
class ScratchDirectory {
  public:
    void enter(const char* pattern, const char* dataDir = nullptr);
    void leave();
    const std::filesystem::path& path() const { return dir_; }

  private:
    std::filesystem::path dir_, oldDir_;
};
