#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"

#include <optional>
#include <string>
#include <string_view>

namespace rv {

// What a restore replaces in one folder it puts files back into (a
// database's folder, the data folder): moved, never copied, into
// kBeforeRestoreFolder/<the restore's time>/ there, at the same path below
// it as below that folder, so that the restore can be undone by moving the
// files back. The kept folder is made with the first file kept.
class KeptAside {
public:
    // root: the folder the files go back to; it must outlive this. name: the
    // restore's time as generationFolderName gives it, numbered if taken.
    KeptAside(const platform::DestinationFolder& root, std::string name) : root_(root), name_(std::move(name)) {}

    // Moves the file at relative (below root) out of from, the folder it
    // lies in, into the kept folder.
    Result<platform::Done, platform::FileError> keep(const platform::DestinationFolder& from,
                                                     std::string_view relative);
    // Moves a kept file back into into, where its replacement could not go.
    Result<platform::Done, platform::FileError> putBack(const platform::DestinationFolder& into,
                                                        std::string_view relative);

    // The kept folder, as people are shown it, once something was kept.
    std::optional<std::string> shownPath() const;

private:
    Result<platform::Done, platform::FileError> makeKeptFolder();

    const platform::DestinationFolder& root_;
    std::string name_;
    std::optional<platform::DestinationFolder> kept_;
};

} // namespace rv
