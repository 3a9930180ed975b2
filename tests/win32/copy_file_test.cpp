// Win32Files::CopyFile: a target is replaced only by a complete copy, and a
// failure says which file and why, and leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/error.h"
#include "win32/system_headers.h"
#include "win32/win32_files.h"

namespace zge::win32 {
namespace {

class CopyFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("zge-copy-" + std::to_string(::GetCurrentProcessId()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    Write(root_ / "source.kml", "<kml>new</kml>");
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  [[nodiscard]] std::size_t Entries() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root_)) {
      ++count;
    }
    return count;
  }
  [[nodiscard]] std::string Path(const char* name) const { return (root_ / name).string(); }

  Win32Files files_;
  std::filesystem::path root_;
};

TEST_F(CopyFileTest, CopiesAndReplacesAnExistingTargetWhole) {
  files_.CopyFile(Path("source.kml"), Path("a.kml"));
  EXPECT_EQ(Read(root_ / "a.kml"), "<kml>new</kml>");
  Write(root_ / "a.kml", "an older and much longer file than the new one");
  files_.CopyFile(Path("source.kml"), Path("a.kml"));
  EXPECT_EQ(Read(root_ / "a.kml"), "<kml>new</kml>");
  EXPECT_EQ(Entries(), 2U);
}

TEST_F(CopyFileTest, AMissingSourceIsNamedWithTheSystemsReasonAndTheTargetKept) {
  Write(root_ / "a.kml", "kept");
  try {
    files_.CopyFile(Path("gone.kml"), Path("a.kml"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070002U);
    const std::string text = error.what();
    EXPECT_NE(text.find(Path("gone.kml")), std::string::npos) << text;
    EXPECT_NE(text.find(Path("a.kml")), std::string::npos) << text;
  }
  EXPECT_EQ(Read(root_ / "a.kml"), "kept");
  EXPECT_EQ(Entries(), 2U);
}

TEST_F(CopyFileTest, ATargetThatCannotBeReplacedIsNamedAndNoCopyIsLeft) {
  std::filesystem::create_directory(root_ / "a.kml");
  try {
    files_.CopyFile(Path("source.kml"), Path("a.kml"));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("Replacing \"" + Path("a.kml") + "\""),
              std::string::npos)
        << error.what();
  }
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "a.kml"));
  EXPECT_EQ(Entries(), 2U);
}

}  // namespace
}  // namespace zge::win32
