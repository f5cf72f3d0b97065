// libFuzzer target: whatever rv.dat holds, reading it must not crash, must not
// keep a field longer than any path, and must leave entries 7 to 10 without
// defaults.
#include "settings/settings.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& scratchFolder()
{
    static const std::string folder = [] {
        char name[] = "/dev/shm/rv-fuzz-XXXXXX";
        const char* made = mkdtemp(name);
        if (made == nullptr) {
            std::abort();
        }
        return std::string(made);
    }();
    return folder;
}

void check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

std::size_t characters(const std::string& utf8)
{
    std::size_t count = 0;
    for (const char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = scratchFolder() + "/rv.dat";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    check(file != nullptr);
    check(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    auto settings = rv::ReadSettings(scratchFolder());
    check(settings.ok());
    const rv::Settings& s = settings.value();
    for (std::size_t i = 0; i < rv::kSettingFieldCount; ++i) {
        check(characters(s.SettingFields[i]) <= rv::kMaxFieldChars);
        check(i < rv::kSettingFieldsRead || s.SettingFields[i].empty());
    }
    for (std::size_t entry = 7; entry <= 10; ++entry) {
        check(s.BackupSources[entry] == s.SettingFields[entry + 3]);
    }
    check(!s.BackupSources[15].empty());
    return 0;
}
