#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"
#include "platform/source_content.h"
#include "platform/source_tree.h"
#include "record/backup_record.h"
#include "restore/kept_aside.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rv {

// How a file went back.
enum class PutBack {
    Added,     // nothing was there
    Replaced,  // what was there is kept aside
    LeftAlone, // one there already, and it is only put back where missing
    Unchanged, // the one there holds what the record says: nothing to do
};

// Why a file was not put back, as people read it; its place is as it was.
struct PutBackFailure {
    std::string reason;
    bool cancelled = false;
};

// Puts files of a backup back into one folder (a database's folder, the data
// folder), reached from it one name at a time and never through a link.
// Each file is written under a temporary name, its data flushed to the
// device, read back and compared with the record; only then is what is
// there kept aside and the copy renamed into its place.
class RestoreWriter {
public:
    // folder: where the files go back to, as the settings name it.
    // keptName: the restore's time, for the kept-aside folder.
    static Result<std::unique_ptr<RestoreWriter>, platform::FileError> open(const std::string& folder,
                                                                            std::string keptName);
    RestoreWriter(const RestoreWriter&) = delete;
    RestoreWriter& operator=(const RestoreWriter&) = delete;
    ~RestoreWriter() = default;

    // Puts source, the backup's copy of file, back at relative below the
    // folder.
    Result<PutBack, PutBackFailure> put(platform::FileCopier& copier, const platform::SourceFile& source,
                                        const RecordedFile& file, std::string_view relative, bool onlyWhenMissing,
                                        const platform::CopyControl& control);

    // Makes the renames durable; a failure means they may not be.
    Result<platform::Done, platform::FileError> finish();

    // Where what it replaced was kept, as people are shown it; nothing when
    // it replaced nothing.
    std::optional<std::string> keptPath() const { return kept_.shownPath(); }

private:
    RestoreWriter(platform::DestinationFolder root, platform::WriteFlusher flusher, std::string keptName)
        : root_(std::move(root)), flusher_(std::move(flusher)), kept_(root_, std::move(keptName))
    {
    }

    // Why the complete copy may not take its place: not what the record
    // says, not on the device, or not read back as it was written.
    std::optional<PutBackFailure> verify(const platform::PendingFile& pending, const RecordedFile& file,
                                         const std::atomic<bool>* cancel);
    // Keeps what is there aside and renames the copy into its place.
    std::optional<PutBackFailure> place(const platform::DestinationFolder& folder, const platform::PendingFile& pending,
                                        std::string_view relative, bool present);

    platform::DestinationFolder root_;
    platform::WriteFlusher flusher_;
    KeptAside kept_;
    platform::SourceDigester digester_;
};

} // namespace rv
