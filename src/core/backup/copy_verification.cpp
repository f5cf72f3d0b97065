#include "backup/copy_verification.h"

#include "platform/read_back.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace rv {

namespace {

// Reads at a time: enough to keep a disk's queue busy with small files.
constexpr std::size_t kReaders = 4;

CopyVerification verifyCopy(const platform::DestinationFolder& root, const platform::PendingFile& copy,
                            const ReadBackCheck& check)
{
    CopyVerification verification;
    if (check.cancel != nullptr && check.cancel->load()) {
        return verification;
    }
    const std::string path = root.pathOf(copy.temporaryPath);
    // From the chosen folder one name at a time: no path is too long to read back.
    auto read = platform::readFromDeviceBelow(root, copy.temporaryPath, check.cancel);
    if (!read.ok() && read.error().kind == platform::FileErrorKind::Cancelled) {
        return verification;
    }
    if (!read.ok()) {
        verification.failure = CommitFailure{BackupReason::NotVerified, "read-back: " + read.error().detail};
        return verification;
    }
    verification.outcome =
        read.value().path == platform::ReadPath::Device ? ReadBackOutcome::FromDevice : ReadBackOutcome::CacheDropped;
    const ContentDigest& digest = read.value().digest;
    if (read.value().bytes != copy.bytes || digest != copy.digest) {
        verification.failure = CommitFailure{BackupReason::NotVerified,
                                             path + ": read back " + std::to_string(read.value().bytes) +
                                                 " bytes, digest " + digest.hex() + "; written " +
                                                 std::to_string(copy.bytes) + " bytes, digest " + copy.digest.hex()};
    }
    return verification;
}

} // namespace

std::vector<CopyVerification> verifyCopies(const platform::DestinationFolder& root,
                                           std::span<const platform::PendingFile* const> copies,
                                           const ReadBackCheck& check)
{
    std::vector<CopyVerification> verifications(copies.size());
    if (!check.enabled) {
        return verifications;
    }
    if (check.beforeReadBack) {
        for (const platform::PendingFile* copy : copies) {
            check.beforeReadBack(root, *copy);
        }
    }
    std::atomic<std::size_t> next{0};
    auto read = [&] {
        for (std::size_t i = next++; i < copies.size(); i = next++) {
            verifications[i] = verifyCopy(root, *copies[i], check);
        }
    };
    std::vector<std::jthread> readers;
    try {
        for (std::size_t i = 1; i < std::min(kReaders, copies.size()); ++i) {
            readers.emplace_back(read);
        }
    } catch (const std::system_error&) {
        // Fewer threads to be had: the ones there are, this one included, read it all.
    }
    read();
    readers.clear(); // joins them: they write into verifications
    return verifications;
}

} // namespace rv
