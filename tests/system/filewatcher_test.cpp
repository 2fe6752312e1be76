// Change detection and byte caching of FileWatcher and HasFileChanged over a mounted folder.
#include <gtest/gtest.h>
#include <physfs.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/logcapture.h"
#include "system/filechangemonitor.h"
#include "system/filewatcher.h"

namespace fs = std::filesystem;

namespace {

class FileWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lumivane_fw_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        ASSERT_NE(PHYSFS_init(nullptr), 0);
        ASSERT_NE(PHYSFS_mount(dir_.c_str(), nullptr, 0), 0);
    }
    void TearDown() override {
        PHYSFS_deinit();
        fs::remove_all(dir_);
    }

    // Writes a file and pins its modification time, so tests never wait for the clock.
    void Write(const std::string& name, const std::string& text, int secondsOffset) {
        {
            std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
            out << text;
        }
        SetTime(name, secondsOffset);
    }
    void SetTime(const std::string& name, int secondsOffset) {
        fs::last_write_time(dir_ / name, base_ + std::chrono::seconds(secondsOffset));
    }
    static std::string Text(const FileContents& c) {
        return std::string(reinterpret_cast<const char*>(c.Bytes()), c.size);
    }

    fs::path dir_;
    fs::file_time_type base_ = fs::file_time_type::clock::now() - std::chrono::hours(1);
};

TEST_F(FileWatcherTest, UnchangedFileNeverReportsAndReadsOnce) {
    Write("a.txt", "hello", 0);
    FileWatcher w("a.txt");
    EXPECT_EQ(w.GetFileName(), "a.txt");
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(w.GetHasChanged());

    const FileContents& first = w.GetData();
    EXPECT_EQ(Text(first), "hello");
    EXPECT_EQ(first.Bytes()[first.size], 0) << "buffer ends in a zero byte";
    // Without a reported change the cache is served.
    EXPECT_FALSE(w.GetHasChanged());
    EXPECT_EQ(w.GetData().Bytes(), first.Bytes());
}

TEST_F(FileWatcherTest, TouchReportsOnceAndRereads) {
    Write("a.txt", "one", 0);
    FileWatcher w("a.txt");
    EXPECT_EQ(Text(w.GetData()), "one");

    LogCapture log;
    Write("a.txt", "two!", 5);
    EXPECT_TRUE(w.GetHasChanged());
    EXPECT_FALSE(w.GetHasChanged());
    EXPECT_FALSE(w.GetHasChanged());
    EXPECT_EQ(log.Count("FileWatcher has noticed that 'a.txt' has changed"), 1);
    EXPECT_EQ(log.Entries().at(0).function, "FileWatcher::GetHasChanged");
    EXPECT_EQ(Text(w.GetData()), "two!");

    // A time going backwards (a restored older copy) is a change too.
    Write("a.txt", "old", -100);
    EXPECT_TRUE(w.GetHasChanged());
    EXPECT_EQ(Text(w.GetData()), "old");
}

// A file in a real folder is watched, not compared by its time: edits that keep the time
// (two saves within a second) are noticed, once each.
TEST_F(FileWatcherTest, EditWithinTheSameSecondIsNoticed) {
    Write("a.txt", "one", 3);
    FileWatcher w("a.txt");
    EXPECT_EQ(Text(w.GetData()), "one");
    for (const char* text : {"two", "three"}) {
        Write("a.txt", text, 3);
        EXPECT_TRUE(w.GetHasChanged()) << text;
        EXPECT_FALSE(w.GetHasChanged()) << text;
        EXPECT_EQ(Text(w.GetData()), text);
    }
}

// A frame polls once: an edit made while it draws is reported by the next one.
TEST_F(FileWatcherTest, EditDuringAFrameShowsInTheNext) {
    Write("a.txt", "one", 0);
    FileWatcher w("a.txt");
    {
        const FileChangePollScope frame;
        EXPECT_FALSE(w.GetHasChanged());
        Write("a.txt", "two", 1);
        EXPECT_FALSE(w.GetHasChanged());
    }
    const FileChangePollScope next;
    EXPECT_TRUE(w.GetHasChanged());
    EXPECT_EQ(Text(w.GetData()), "two");
}

TEST_F(FileWatcherTest, DeletionAndRestoreAreChanges) {
    Write("a.txt", "abc", 0);
    FileWatcher w("a.txt");
    EXPECT_EQ(w.GetData().size, 3u);

    LogCapture log;
    fs::remove(dir_ / "a.txt");
    EXPECT_TRUE(w.GetHasChanged());
    EXPECT_FALSE(w.GetHasChanged());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.GetData().size, 0u);
        EXPECT_EQ(w.GetData().Bytes(), nullptr);
    }
    EXPECT_EQ(log.Count("File 'a.txt' could not be opened"), 1);
    EXPECT_EQ(log.CountContaining("could not be opened"), 1);

    Write("a.txt", "back", 9);
    EXPECT_TRUE(w.GetHasChanged());
    EXPECT_EQ(Text(w.GetData()), "back");
}

TEST_F(FileWatcherTest, MissingAndEmptyFiles) {
    LogCapture log;
    FileWatcher missing("nope.txt");
    EXPECT_FALSE(missing.GetHasChanged());
    EXPECT_TRUE(missing.GetData().Empty());
    EXPECT_EQ(log.Count("File 'nope.txt' could not be opened"), 1);
    EXPECT_EQ(log.Entries().at(0).function, "FileWatcher::GetData");

    Write("empty.txt", "", 0);
    FileWatcher empty("empty.txt");
    EXPECT_EQ(empty.GetData().size, 0u);
    EXPECT_EQ(log.Entries().size(), 1u) << "an empty file is not an error";
}

TEST_F(FileWatcherTest, BinaryContentsArePreserved) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(char(i * 7));
    Write("blob.bin", bytes, 0);
    FileWatcher w("blob.bin");
    EXPECT_EQ(Text(w.GetData()), bytes);
}

TEST_F(FileWatcherTest, HasFileChangedRegistersFirstThenReportsChanges) {
    Write("m.ogg", "x", 0);
    LogCapture log;
    SetTime("m.ogg", 1);  // changed just before the first question: still only registered
    EXPECT_FALSE(HasFileChanged("m.ogg"));
    EXPECT_FALSE(HasFileChanged("m.ogg"));
    SetTime("m.ogg", 2);
    EXPECT_TRUE(HasFileChanged("m.ogg"));
    EXPECT_FALSE(HasFileChanged("m.ogg"));
    EXPECT_EQ(log.Count("Filewatcher has noticed that 'm.ogg' has changed"), 1);
    EXPECT_EQ(log.Entries().at(0).function, "HasFileChanged");

    // Missing names register with time -1; appearing later is a change.
    EXPECT_FALSE(HasFileChanged("later.ogg"));
    Write("later.ogg", "y", 0);
    EXPECT_TRUE(HasFileChanged("later.ogg"));
}

}  // namespace
