#pragma once

#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace rv::testing {

// Test paths are UTF-8, as the core's strings are. A narrow std::filesystem
// conversion would read them in the ANSI code page on Windows instead.
inline std::filesystem::path u8path(std::string_view utf8) { return rv::platform::toPath(utf8); }
inline std::string u8string(const std::filesystem::path& path) { return rv::platform::fromPath(path); }

// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
class TempFolder {
public:
    TempFolder()
        : path_(std::filesystem::temp_directory_path() / ("rvbackup-test-" + std::to_string(std::random_device()())))
    {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return u8string(path_); }
    // The folder as the front end hands it over: ending with a separator.
    std::string withSeparator() const { return u8string(path_) + "/"; }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry under folder, relative, sorted: what a run left behind.
inline std::vector<std::string> listAll(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.push_back(u8string(std::filesystem::relative(entry.path(), folder)));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace rv::testing
