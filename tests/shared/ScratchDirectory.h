#pragma once

#include <filesystem>
#include <string>

// A fresh directory for one test, removed with everything in it when the
// test is done (leave() or the destructor, whichever comes first).
//
// enter() makes it from a mkdtemp pattern ("/tmp/velmora_xxx_XXXXXX"),
// copies into it the files of `dataDir` (not its folders) when one is given
// and makes it the current directory; leave() goes back to where the test
// started. make() only makes it, under the system's temporary directory, for
// a test that names its files by path. Either first leaves, and removes, the
// directory it had.
//
// enter() and make() fail the test fatally when the directory cannot be
// made; call them inside ASSERT_NO_FATAL_FAILURE so that the set-up stops
// there.
class ScratchDirectory {
  public:
    ScratchDirectory() = default;
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory() { leave(); }

    void enter(const char* pattern, const char* dataDir = nullptr);
    void make(const std::string& tag);
    void leave();
    const std::filesystem::path& path() const { return dir_; }
    // The path of `name` inside the directory.
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

  private:
    void create(const std::string& pattern);
    std::filesystem::path dir_, oldDir_;
};
