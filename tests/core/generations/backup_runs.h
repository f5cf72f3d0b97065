#pragma once

#include "backup/unattended_backup.h"
#include "generations/generation_layout.h"
#include "platform/destination_folder.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

namespace rv::testing {

// Nightly backups of a sample clinic into its backup folder, as a scheduled
// task runs them: each writes its record and history.
class BackupRuns {
public:
    // The run's exit code; output() holds what it wrote.
    int backUp(const RunTuning& tuning = {})
    {
        std::ostringstream out;
        const int code = runUnattendedBackup(clinic.program.str(), clinic.backup.str(), out, cancel, tuning);
        output_ = out.str();
        return code;
    }
    const std::string& output() const { return output_; }

    std::vector<std::string> generations() const
    {
        auto root = platform::DestinationFolder::openChosen(clinic.backup.str());
        if (!root.ok()) {
            ADD_FAILURE() << root.error().detail;
            return {};
        }
        auto names = earlierGenerations(root.value());
        EXPECT_TRUE(names.ok());
        return names.ok() ? names.value() : std::vector<std::string>{};
    }
    std::filesystem::path generation(const std::string& name) const
    {
        return clinic.backup.path() / u8path(kEarlierBackupsFolder) / u8path(name);
    }

    SampleClinic clinic;
    std::atomic<bool> cancel{false};

private:
    std::string output_;
};

} // namespace rv::testing
