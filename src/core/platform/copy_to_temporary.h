#pragma once

#include "common/path_text.h"
#include "platform/file_copy.h"
#include "platform/temporary_names.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The copy to a temporary name, written once for every platform over the
// platform's own steps (its FileCopier::State):
//   Plan                    what the copy needs of its source, found first
//   examine(from, source)   -> Result<Plan, FileError>; a regular file only
//   sizeOf(plan), modifiedOf(plan)
//   create(folder, name, plan, taken)
//                           -> Result<OwnedHandle, FileError>: the name made
//                              exclusively in folder; taken says why not
//   copyData(from, to, plan, hasher, source, temporary, control)
//                           -> Result<std::uint64_t, FileError>: how far the copy reaches
//   changedSince(from, plan)
//   keepLook(to, plan, temporary) -> std::optional<FileError>: times, and
//                              what of permissions and owner could not be given
//   closeError(temporary)   the error of a close that just failed
//   drop(folder, name, to)  removes the unfinished copy
namespace rv::platform {

template <typename Steps>
Result<std::uint64_t, FileError> fillTemporary(Steps& steps, NativeHandle from, OwnedHandle& to,
                                               const typename Steps::Plan& plan, OffsetHasher& hasher,
                                               const std::string& source, const std::string& temporary,
                                               const CopyControl& control, std::optional<FileError>& lookNotKept)
{
    using R = Result<std::uint64_t, FileError>;
    auto copied = steps.copyData(from, to.get(), plan, hasher, source, temporary, control);
    if (!copied.ok()) {
        return copied;
    }
    if (copied.value() != steps.sizeOf(plan) || steps.changedSince(from, plan)) {
        return R::failure({FileErrorKind::Changed, source + ": changed while being copied"});
    }
    // The copy is not done until it is handed back: a cancel seen up to here,
    // during the last chunk too, leaves its target as it was, as a cancel
    // during any earlier chunk does.
    if (control.cancel != nullptr && control.cancel->load()) {
        return R::failure({FileErrorKind::Cancelled, source});
    }
    lookNotKept = steps.keepLook(to.get(), plan, temporary);
    if (!to.close()) {
        return R::failure(steps.closeError(temporary));
    }
    return copied;
}

template <typename Steps>
Result<PendingFile, FileError> copyToTemporaryWith(Steps& steps, const SourceFile& sourceFile,
                                                   const DestinationFolder& folder, std::string_view name,
                                                   const CopyControl& control)
{
    using R = Result<PendingFile, FileError>;
    const std::string& source = sourceFile.path();
    auto plan = steps.examine(sourceFile.handle(), source);
    if (!plan.ok()) {
        return R::failure(plan.error());
    }
    // Private until it is complete.
    Result<OwnedHandle, FileError> created = Result<OwnedHandle, FileError>::failure({});
    const std::string temporaryName = createUnderTemporaryName([&](const std::string& candidate) {
        bool taken = false;
        created = steps.create(folder, candidate, plan.value(), taken);
        return taken;
    });
    if (!created.ok()) {
        return R::failure(created.error());
    }
    OwnedHandle& to = created.value();
    OffsetHasher hasher;
    std::optional<FileError> lookNotKept;
    auto copied = [&] {
        try {
            return fillTemporary(steps, sourceFile.handle(), to, plan.value(), hasher, source,
                                 entryPath(folder.path(), temporaryName), control, lookNotKept);
        } catch (...) {
            // A progress report that throws ends the copy: nothing half-made stays.
            steps.drop(folder, temporaryName, to);
            throw;
        }
    }();
    if (!copied.ok()) {
        steps.drop(folder, temporaryName, to);
        return R::failure(copied.error());
    }
    return R::success({joinRelative(folder.relativePath(), temporaryName), joinRelative(folder.relativePath(), name),
                       copied.value(), std::move(lookNotKept), hasher.digestOf(copied.value()),
                       steps.modifiedOf(plan.value())});
}

} // namespace rv::platform
