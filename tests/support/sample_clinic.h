#pragma once

#include "platform/text_codec.h"
#include "settings/settings.h"
#include "temp_folder.h"

#include <map>
#include <string>
#include <vector>

namespace rv::testing {

// The eleven database names of an empty rv.dat, in the order they are copied.
inline const std::vector<std::string> kDefaultDatabaseOrder = {
    "Tavo51.mdb",       "Tavo2_51.mdb", "Meiro51.mdb",    "カルテ2データ51.mdb", "同意医師51.mdb",   "保険者51.mdb",
    "保険申請51_1.mdb", "予約51.mdb",   "料金設定51.mdb", "臨床RV51N.mdb",       "保険申請51_2.mdb",
};

// A program folder laid out as a clinic's: rv.dat (fields given by index,
// the rest empty), id.dat, database files and a GDATA folder as the test
// asks, next to an empty backup folder.
class SampleClinic {
public:
    explicit SampleClinic(const std::map<std::size_t, std::string>& fields = {})
    {
        std::string text;
        for (std::size_t i = 0; i < kSettingFieldsRead; ++i) {
            const auto field = fields.find(i);
            text += "\"" + (field == fields.end() ? std::string() : field->second) + "\"";
            text += (i % 10 == 9) ? "\r\n" : ",";
        }
        auto encoded = platform::encodeCp932(text);
        writeFile(program.path() / "rv.dat", encoded.ok() ? encoded.value() : text);
        writeFile(program.path() / "id.dat", "clinic-id-0001");
    }

    // Content that tells the files apart: the name, repeated to size bytes.
    static std::string contentFor(const std::string& name, std::size_t size)
    {
        std::string content;
        while (content.size() < size) {
            content += name + ";";
        }
        content.resize(size);
        return content;
    }

    void addDatabases(const std::vector<std::string>& names, std::size_t size = 1000)
    {
        for (const auto& name : names) {
            writeFile(program.path() / u8path(name), contentFor(name, size));
        }
    }

    void addDataFiles(const std::vector<std::string>& relativePaths)
    {
        for (const auto& relative : relativePaths) {
            writeFile(program.path() / "GDATA" / u8path(relative), contentFor(relative, 300));
        }
    }

    Settings settings() const
    {
        auto read = ReadSettings(program.str());
        return read.ok() ? read.value() : Settings{};
    }

    TempFolder program;
    TempFolder backup;
};

} // namespace rv::testing
