#include "platform/copy_to_temporary.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

using rv::platform::CopyControl;
using rv::platform::DestinationFolder;
using rv::platform::FileError;
using rv::platform::FileErrorKind;
using rv::platform::NativeHandle;
using rv::platform::OwnedHandle;
using rv::platform::SourceFile;
using rv::testing::TempFolder;

namespace {

// The platform's steps as a script, so that what the copy procedure decides
// on each outcome can be seen the same on every platform. It holds no
// handles: the target is "none" throughout.
struct ScriptedSteps {
    using Plan = std::uint64_t; // the source's size
    using Copied = rv::Result<std::uint64_t, FileError>;

    unsigned namesTaken = 0; // names reported taken before one is made
    Copied copied = Copied::success(100);
    std::optional<FileError> lookNotKept;
    bool cancelsDuringCopy = false; // as a user whose click lands while the last bytes go
    std::atomic<bool>* cancel = nullptr;

    unsigned creates = 0;
    std::vector<std::string> dropped;

    static rv::Result<Plan, FileError> examine(NativeHandle, const std::string&)
    {
        return rv::Result<Plan, FileError>::success(100);
    }
    static std::uint64_t sizeOf(Plan plan) { return plan; }
    static std::uint64_t modifiedOf(Plan) { return 7; }
    rv::Result<OwnedHandle, FileError> create(const DestinationFolder&, const std::string&, Plan, bool& taken)
    {
        taken = creates++ < namesTaken;
        return taken ? rv::Result<OwnedHandle, FileError>::failure({FileErrorKind::NotWritable, "taken"})
                     : rv::Result<OwnedHandle, FileError>::success(OwnedHandle());
    }
    Copied copyData(NativeHandle, NativeHandle, Plan, rv::OffsetHasher&, const std::string&, const std::string&,
                    const CopyControl&)
    {
        if (cancelsDuringCopy) {
            cancel->store(true);
        }
        return copied;
    }
    static bool changedSince(NativeHandle, Plan) { return false; }
    std::optional<FileError> keepLook(NativeHandle, Plan, const std::string&) const { return lookNotKept; }
    static FileError closeError(const std::string& temporary) { return {FileErrorKind::NotWritable, temporary}; }
    void drop(const DestinationFolder&, const std::string& name, OwnedHandle&) { dropped.push_back(name); }
};

class CopyToTemporaryTest : public ::testing::Test {
protected:
    rv::Result<rv::platform::PendingFile, FileError> copy(ScriptedSteps& steps)
    {
        CopyControl control{&cancel, nullptr};
        steps.cancel = &cancel;
        return rv::platform::copyToTemporaryWith(steps, source, root, "target", control);
    }

    TempFolder folder;
    SourceFile source = [this] {
        rv::testing::writeFile(folder.path() / "source", "x");
        return SourceFile::open(folder.str() + "/source").value();
    }();
    DestinationFolder root = DestinationFolder::openChosen(folder.str()).value();
    std::atomic<bool> cancel{false};
};

// Permissions or attributes that could not be given are reported with the
// copy, which is kept: every platform reports them the same way.
TEST_F(CopyToTemporaryTest, LookNotKeptIsReportedWithTheKeptCopy)
{
    ScriptedSteps steps;
    steps.lookNotKept = FileError{FileErrorKind::NotWritable, "attributes"};
    auto pending = copy(steps);
    ASSERT_TRUE(pending.ok()) << pending.error().detail;
    ASSERT_TRUE(pending.value().lookNotKept.has_value());
    EXPECT_EQ(pending.value().lookNotKept->detail, "attributes");
    EXPECT_EQ(pending.value().bytes, 100U);
    EXPECT_EQ(pending.value().modified, 7U);
    EXPECT_TRUE(steps.dropped.empty());
}

// Whatever the platform, a copy that is not whole, or that was cancelled
// while its last bytes went, is dropped and never handed back.
TEST_F(CopyToTemporaryTest, AnUnfinishedCopyIsDropped)
{
    const struct {
        const char* name;
        ScriptedSteps steps;
        FileErrorKind expected;
    } cases[] = {
        {"cancelled during the last chunk",
         {0, ScriptedSteps::Copied::success(100), {}, true},
         FileErrorKind::Cancelled},
        {"source ended early", {0, ScriptedSteps::Copied::success(60), {}, false}, FileErrorKind::Changed},
        {"write failed",
         {0, ScriptedSteps::Copied::failure({FileErrorKind::NoSpace, "full"}), {}, false},
         FileErrorKind::NoSpace},
    };
    for (auto item : cases) {
        SCOPED_TRACE(item.name);
        cancel = false;
        auto pending = copy(item.steps);
        ASSERT_FALSE(pending.ok());
        EXPECT_EQ(pending.error().kind, item.expected);
        EXPECT_EQ(item.steps.dropped.size(), 1U);
    }
}

// A name left by an earlier process is passed over for the next, and giving
// up comes after the same number of names on every platform.
TEST_F(CopyToTemporaryTest, TakenNamesArePassedOverUpToTheLimit)
{
    ScriptedSteps someTaken;
    someTaken.namesTaken = 3;
    ASSERT_TRUE(copy(someTaken).ok());
    EXPECT_EQ(someTaken.creates, 4U);

    ScriptedSteps allTaken;
    allTaken.namesTaken = ~0U;
    auto pending = copy(allTaken);
    ASSERT_FALSE(pending.ok());
    EXPECT_EQ(pending.error().detail, "taken");
    EXPECT_EQ(allTaken.creates, rv::platform::kTemporaryNameTries);
    EXPECT_TRUE(allTaken.dropped.empty());
}

} // namespace
