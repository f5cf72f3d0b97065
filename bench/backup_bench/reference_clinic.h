#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace rv::bench {

struct ReferenceClinic {
    std::filesystem::path folder;
    std::vector<std::string> items; // what a backup copies, relative to folder
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The same clinic for the same scale, every time: eleven databases of 1 to
// 400 MB (about 1 GB at scale 1), rv.dat and id.dat, and a GDATA folder of
// 20,000 files of 1 to 64 KB in 200 folders; sizes and counts scale linearly.
// Content is pseudo-random, so that no file system can compress or share it.
ReferenceClinic buildReferenceClinic(const std::filesystem::path& folder, double scale);

// A clinic of files rather than bytes, for the memory a backup takes: rv.dat
// and id.dat (no databases, which are optional), and a GDATA of files empty
// and tiny (up to 64 bytes), a thousand to a folder, ten folders to a patient.
ReferenceClinic buildFileTree(const std::filesystem::path& folder, std::uint64_t files);

} // namespace rv::bench
