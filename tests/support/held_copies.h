#pragma once

// The copying of a file's data (copy_file_range on Linux) as a test binary
// that links held_copies.cpp sees it: while a HeldCopies lives, each copy
// waits, as on a disk that does not answer, until release(); the copy that
// waited then ends as a call interrupted by a signal does, and the copier
// goes on from there. Without a HeldCopies the copy goes straight through.
namespace rv::testing {

class HeldCopies {
public:
    HeldCopies();
    HeldCopies(const HeldCopies&) = delete;
    HeldCopies& operator=(const HeldCopies&) = delete;
    ~HeldCopies(); // releases

    void release();
};

} // namespace rv::testing
