#include "reference_clinic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace rv::bench {
namespace {

namespace fs = std::filesystem;

struct Database {
    const char* name;
    double megabytes;
};

constexpr std::array<Database, 11> kDatabases = {{
    {"臨床RV51N.mdb", 400},
    {"予約51.mdb", 200},
    {"保険申請51_1.mdb", 120},
    {"カルテ2データ51.mdb", 80},
    {"Meiro51.mdb", 60},
    {"Tavo51.mdb", 50},
    {"保険申請51_2.mdb", 40},
    {"Tavo2_51.mdb", 30},
    {"同意医師51.mdb", 15},
    {"保険者51.mdb", 4},
    {"料金設定51.mdb", 1},
}};
constexpr std::uint64_t kDataFiles = 20000;
constexpr std::uint64_t kDataFolders = 200;

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    std::uint64_t state_;
};

void writeRandomFile(const fs::path& path, std::uint64_t size, std::uint64_t seed)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    Random random(seed);
    std::vector<std::uint64_t> block(1 << 14);
    const std::uint64_t blockBytes = block.size() * sizeof(std::uint64_t);
    for (std::uint64_t written = 0; written < size; written += blockBytes) {
        for (auto& word : block) {
            word = random.next();
        }
        const auto chunk = static_cast<std::streamsize>(std::min(size - written, blockBytes));
        out.write(reinterpret_cast<const char*>(block.data()), chunk);
    }
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::uint64_t scaled(double value, double scale) { return std::max<std::uint64_t>(1, std::llround(value * scale)); }

} // namespace

ReferenceClinic buildReferenceClinic(const fs::path& folder, double scale)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    ReferenceClinic clinic{folder, {}, 0, 0};
    auto add = [&](const std::string& item, std::uint64_t files, std::uint64_t bytes) {
        clinic.items.push_back(item);
        clinic.files += files;
        clinic.bytes += bytes;
    };
    std::uint64_t seed = 1;
    for (const Database& database : kDatabases) {
        const std::uint64_t size = scaled(database.megabytes * 1024 * 1024, scale);
        writeRandomFile(folder / database.name, size, seed++);
        add(database.name, 1, size);
    }
    std::ofstream(folder / "rv.dat", std::ios::binary).put('\n'); // every path at its default
    std::ofstream(folder / "id.dat", std::ios::binary) << "reference-clinic";
    add("rv.dat", 1, 1);
    add("id.dat", 1, 16);

    const std::uint64_t folders = scaled(kDataFolders, scale);
    const std::uint64_t files = scaled(kDataFiles, scale);
    std::uint64_t dataBytes = 0;
    Random sizes(seed);
    for (std::uint64_t i = 0; i < files; ++i) {
        const std::uint64_t index = i % folders;
        const fs::path sub =
            folder / "GDATA" / ("患者" + std::to_string(index / 10)) / ("画像" + std::to_string(index % 10));
        if (i < folders) {
            fs::create_directories(sub);
        }
        const std::uint64_t size = 1024 + sizes.next() % (63 * 1024);
        writeRandomFile(sub / ("写真" + std::to_string(i) + ".jpg"), size, seed + i + 1);
        dataBytes += size;
    }
    add("GDATA", files, dataBytes);
    return clinic;
}

ReferenceClinic buildFileTree(const fs::path& folder, std::uint64_t files)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    ReferenceClinic clinic{folder, {"rv.dat", "id.dat", "GDATA"}, 2, 17};
    std::ofstream(folder / "rv.dat", std::ios::binary).put('\n');
    std::ofstream(folder / "id.dat", std::ios::binary) << "reference-clinic";
    constexpr std::uint64_t kFilesPerFolder = 1000;
    Random sizes(files);
    std::string content(64, 'x');
    for (std::uint64_t i = 0; i < files; ++i) {
        const std::uint64_t index = i / kFilesPerFolder;
        const fs::path sub =
            folder / "GDATA" / ("患者" + std::to_string(index / 10)) / ("画像" + std::to_string(index % 10));
        if (i % kFilesPerFolder == 0) {
            fs::create_directories(sub);
        }
        const std::uint64_t size = i % 2 == 0 ? 0 : sizes.next() % 65;
        std::ofstream(sub / ("写真" + std::to_string(i) + ".jpg"), std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(size));
        clinic.files += 1;
        clinic.bytes += size;
    }
    return clinic;
}

} // namespace rv::bench
