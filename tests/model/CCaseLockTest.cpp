// Case file locks: shared and exclusive holders meet as flock says, and a program
// that waited for a lock ends up holding the file that replaced the one it waited for.
#include "model/CCaseLock.h"
#include "model/CaseFile.h"
#include "model/FileException.h"
#include "support/ScratchDir.h"

#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace quillora;
using quillora::test::ScratchDir;

namespace {

using Kind = CCaseLock::EKind;
using Result = CCaseLock::EResult;

std::string NewCase(const ScratchDir& dir, const char* name) {
    const std::string path = (dir / name).string();
    CCDCase root;
    SaveCaseFile(root, path, false);
    return path;
}

} // namespace

TEST(CCaseLock, SharedAndExclusiveHoldersMeetAsFlockSays) {
    ScratchDir dir;
    const std::string path = NewCase(dir, "shelf.cas");
    CCaseLock writer, reader, other;
    ASSERT_EQ(writer.Acquire(path, Kind::Exclusive, false), Result::Held);
    EXPECT_EQ(reader.Acquire(path, Kind::Shared, false), Result::Busy);
    EXPECT_EQ(other.Acquire(path, Kind::Exclusive, false), Result::Busy);
    EXPECT_FALSE(reader.IsHeld());
    writer.Release();
    EXPECT_EQ(reader.Acquire(path, Kind::Shared, false), Result::Held);
    EXPECT_EQ(other.Acquire(path, Kind::Shared, false), Result::Held);
    EXPECT_EQ(writer.Acquire(path, Kind::Exclusive, false), Result::Busy);
    EXPECT_EQ(reader.Facts(), SCaseFileFacts::OfPath(path));

    EXPECT_EQ(writer.Acquire((dir / "missing.cas").string(), Kind::Exclusive, false),
              Result::NoFile);
    ASSERT_EQ(::mkfifo((dir / "pipe.cas").c_str(), 0644), 0);
    EXPECT_THROW(writer.Acquire((dir / "pipe.cas").string(), Kind::Exclusive, true),
                 CFileException);
}

TEST(CCaseLock, AWaiterEndsUpOnTheFileThatReplacedTheOneItWaitedFor) {
    ScratchDir dir;
    const std::string path = NewCase(dir, "shelf.cas");
    CCaseLock holder;
    ASSERT_EQ(holder.Acquire(path, Kind::Exclusive, false), Result::Held);
    const SCaseFileFacts old = holder.Facts();

    std::promise<void> waiting;
    int notices = 0;
    CCaseLock waiter;
    std::thread other([&] {
        waiter.Acquire(path, Kind::Exclusive, true, [&] {
            ++notices;
            waiting.set_value();
        });
    });
    waiting.get_future().wait();
    // The holder saves: a new file takes the path while the holder keeps both locks.
    CCDCase root;
    CUniqueFd written;
    SaveCaseFile(root, path, false, &written);
    ASSERT_GE(written.Get(), 0);
    holder.Release();
    written = CUniqueFd();
    other.join();

    ASSERT_TRUE(waiter.IsHeld());
    EXPECT_NE(waiter.Facts().m_nInode, old.m_nInode);
    EXPECT_EQ(waiter.Facts(), SCaseFileFacts::OfPath(path));
    EXPECT_EQ(notices, 1);
    CCaseLock third;
    EXPECT_EQ(third.Acquire(path, Kind::Shared, false), Result::Busy);
}

TEST(CCaseLock, AdoptingASavedFileKeepsItLockedFromTheStart) {
    ScratchDir dir;
    const std::string path = NewCase(dir, "shelf.cas");
    CCaseLock mine;
    ASSERT_EQ(mine.Acquire(path, Kind::Shared, false), Result::Held);
    CCDCase root;
    CUniqueFd written;
    SaveCaseFile(root, path, false, &written);
    // Before it is adopted the new file is held exclusively by the writer.
    CCaseLock other;
    EXPECT_EQ(other.Acquire(path, Kind::Shared, false), Result::Busy);
    mine.Adopt(std::move(written), Kind::Shared);
    EXPECT_EQ(mine.Facts(), SCaseFileFacts::OfPath(path));
    EXPECT_EQ(other.Acquire(path, Kind::Shared, false), Result::Held);
    other.Release();
    EXPECT_EQ(other.Acquire(path, Kind::Exclusive, false), Result::Busy);
}

TEST(CCaseLock, ACaseNotMadeYetIsLockedAsAnEmptyFileThatGoesIfNothingIsSaved) {
    ScratchDir dir;
    const std::string path = (dir / "new.cas").string();
    {
        CCaseLock scan;
        ASSERT_EQ(scan.AcquireForWrite(path, false), Result::Held);
        EXPECT_TRUE(scan.CreatedFile());
        ASSERT_TRUE(SCaseFileFacts::OfPath(path));
        // A second program making the same case waits for the first.
        CCaseLock second;
        EXPECT_EQ(second.AcquireForWrite(path, false), Result::Busy);
        EXPECT_FALSE(second.CreatedFile());
        EXPECT_EQ(second.Acquire(path, Kind::Shared, false), Result::Busy);
        // Moved, the lock still owns what it made.
        CCaseLock moved(std::move(scan));
        EXPECT_FALSE(scan.CreatedFile());
        EXPECT_TRUE(moved.CreatedFile());
    }
    EXPECT_FALSE(SCaseFileFacts::OfPath(path)) << "nothing saved: the empty file is gone";

    // Saved over while held: the case stays, and a waiter ends up on it.
    CCaseLock scan;
    ASSERT_EQ(scan.AcquireForWrite(path, false), Result::Held);
    auto waiter = std::async(std::launch::async, [&path] {
        CCaseLock next;
        const Result result = next.AcquireForWrite(path, true);
        return std::pair(result, next.CreatedFile());
    });
    CCDCase root;
    root.AddChild(std::make_unique<SFileInfo>())->m_strName = "made by the scan";
    SaveCaseFile(root, path, false);
    scan.Release();
    const auto [result, created] = waiter.get();
    EXPECT_EQ(result, Result::Held);
    EXPECT_FALSE(created) << "the waiter locked the saved case, not a new empty one";
    bool badPassword = false;
    auto saved = ReadCaseFile(path, "", &badPassword);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->ChildCount(), 1u);
}
