#pragma once
// A temporary folder mounted as the data file system for one test, with helpers that write
// files and pin their modification times (so reload tests never wait for the clock).
#include <gtest/gtest.h>
#include <physfs.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class DataFolder {
public:
    DataFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("lumivane_graphics_" + std::to_string(::getpid()) + "_" + test->name());
        std::filesystem::create_directories(dir_);
        initialised_ = PHYSFS_init(nullptr) != 0;
        mounted_ = initialised_ && PHYSFS_mount(dir_.c_str(), nullptr, 0) != 0;
    }
    ~DataFolder() {
        if (initialised_) PHYSFS_deinit();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    bool Ready() const { return mounted_; }

    // Writes bytes (creating folders the name contains) and sets the modification time to a
    // fixed base plus `secondsOffset`.
    void Write(const std::string& name, const std::string& bytes, int secondsOffset = 0) {
        std::filesystem::create_directories((dir_ / name).parent_path());
        {
            std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        SetTime(name, secondsOffset);
    }
    void Copy(const std::string& testDataPath, const std::string& name, int secondsOffset = 0) {
        Write(name, ReadTestData(testDataPath), secondsOffset);
    }
    void SetTime(const std::string& name, int secondsOffset) {
        std::filesystem::last_write_time(dir_ / name, base_ + std::chrono::seconds(secondsOffset));
    }
    void Remove(const std::string& name) { std::filesystem::remove(dir_ / name); }

    // The bytes of a file under tests/data.
    static std::string ReadTestData(const std::string& path) {
        std::ifstream in(std::string(LUMIVANE_TEST_DATA) + "/" + path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path dir_;
    std::filesystem::file_time_type base_ =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    bool initialised_ = false;
    bool mounted_ = false;
};
