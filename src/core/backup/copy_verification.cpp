#include "backup/copy_verification.h"

#include "platform/read_back.h"

namespace rv {

CopyVerification verifyCopy(const platform::DestinationFolder& root, const platform::PendingFile& copy,
                            const ReadBackCheck& check)
{
    CopyVerification verification;
    if (!check.enabled || (check.cancel != nullptr && check.cancel->load())) {
        return verification;
    }
    if (check.beforeReadBack) {
        check.beforeReadBack(root, copy);
    }
    const std::string path = root.pathOf(copy.temporaryPath);
    OffsetHasher hasher;
    std::uint64_t at = 0;
    auto read = platform::readFromDevice(
        path,
        [&](const char* bytes, std::size_t size) {
            hasher.add(at, bytes, size);
            at += size;
        },
        check.cancel);
    if (!read.ok() && read.error().kind == platform::FileErrorKind::Cancelled) {
        return verification;
    }
    if (!read.ok()) {
        verification.failure = CommitFailure{CopyReason::NotVerified, "read-back: " + read.error().detail};
        return verification;
    }
    verification.outcome =
        read.value().path == platform::ReadPath::Device ? ReadBackOutcome::FromDevice : ReadBackOutcome::CacheDropped;
    const ContentDigest digest = hasher.digestOf(read.value().bytes);
    if (read.value().bytes != copy.bytes || digest != copy.digest) {
        verification.failure = CommitFailure{CopyReason::NotVerified,
                                             path + ": read back " + std::to_string(read.value().bytes) +
                                                 " bytes, digest " + digest.hex() + "; written " +
                                                 std::to_string(copy.bytes) + " bytes, digest " + copy.digest.hex()};
    }
    return verification;
}

} // namespace rv
