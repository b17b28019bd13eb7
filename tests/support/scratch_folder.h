#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kavrel::testing {

// A fresh folder of a test's own, removed with its contents at the end: tests that run
// programs work in one each, so that CTest can run them side by side.
class ScratchFolder {
  public:
    ScratchFolder() : path_(std::filesystem::temp_directory_path() / "kavrel-test-XXXXXX") {
        if (!mkdtemp(path_.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ += '/';
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_, ignored_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with its trailing "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    void Write(const std::string& name, const std::string& bytes, bool executable = false) const {
        std::filesystem::create_directories(std::filesystem::path(path_ + name).parent_path());
        std::ofstream(path_ + name, std::ios::binary) << bytes;
        chmod((path_ + name).c_str(), executable ? 0755 : 0644);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Copies one of the built programs ($KAVREL_BIN_DIR) into this folder.
    void CopyProgram(const std::string& name) const {
        std::filesystem::copy_file(std::getenv("KAVREL_BIN_DIR") + ("/" + name), path_ + name);
    }

  private:
    std::string path_;
    std::error_code ignored_;  // a folder that cannot be removed is left behind
};

}  // namespace kavrel::testing
