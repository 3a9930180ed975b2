#include "win32/win32_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/error.h"
#include "win32/system_headers.h"

namespace zge::win32 {
namespace {

// Each test works in a folder of its own under the temporary folder.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = files_.TempDirectory() + "zge-files-" + std::to_string(::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    files_.CreateDirectory(root_);
  }
  void TearDown() override {
    static_cast<void>(::DeleteFileA((root_ + "\\a.kml").c_str()));
    static_cast<void>(::RemoveDirectoryA((root_ + "\\sub\\deeper").c_str()));
    static_cast<void>(::RemoveDirectoryA((root_ + "\\sub").c_str()));
    static_cast<void>(::RemoveDirectoryA(root_.c_str()));
  }

  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

  Win32Files files_;
  std::string root_;
};

TEST_F(FilesTest, TempDirectoryEndsInBackslashAndExists) {
  const std::string temp = files_.TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(files_.DirectoryExists(temp));
}

TEST_F(FilesTest, WritesReplacesAndDeletesFiles) {
  const std::string file = root_ + "\\a.kml";
  const std::string bytes("<kml>\0\xff</kml>", 13);
  files_.WriteFile(file, bytes);
  EXPECT_EQ(ReadAll(file), bytes);
  files_.WriteFile(file, "x");
  EXPECT_EQ(ReadAll(file), "x");

  EXPECT_TRUE(files_.FileExists(file));
  EXPECT_FALSE(files_.DirectoryExists(file));
  EXPECT_TRUE(files_.DeleteFile(file));
  EXPECT_FALSE(files_.FileExists(file));
  EXPECT_FALSE(files_.DeleteFile(file));
}

TEST_F(FilesTest, CreatingAnExistingFolderIsFineButNotOverAFile) {
  const std::string folder = root_ + "\\sub";
  files_.CreateDirectory(folder);
  EXPECT_NO_THROW(files_.CreateDirectory(folder));
  EXPECT_TRUE(files_.DirectoryExists(folder));
  EXPECT_FALSE(files_.FileExists(folder));

  const std::string file = root_ + "\\a.kml";
  files_.WriteFile(file, "x");
  EXPECT_THROW(files_.CreateDirectory(file), Error);
}

TEST_F(FilesTest, CreatingAFolderCreatesEveryMissingFolderOnItsPath) {
  const std::string folder = root_ + "\\sub\\deeper\\";
  files_.CreateDirectory(folder);
  EXPECT_TRUE(files_.DirectoryExists(folder));
}

TEST_F(FilesTest, AFolderRelativeToTheCurrentFolderIsCreatedThere) {
  std::string previous(MAX_PATH, '\0');
  previous.resize(::GetCurrentDirectoryA(MAX_PATH, previous.data()));
  ASSERT_NE(::SetCurrentDirectoryA(root_.c_str()), 0);
  EXPECT_NO_THROW(files_.CreateDirectory("sub\\deeper"));
  static_cast<void>(::SetCurrentDirectoryA(previous.c_str()));
  EXPECT_TRUE(files_.DirectoryExists(root_ + "\\sub\\deeper"));
}

TEST_F(FilesTest, WritingIntoAMissingFolderThrowsThePathError) {
  try {
    files_.WriteFile(root_ + "\\missing\\a.kml", "x");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)));
    EXPECT_NE(std::string(error.what()).find("missing\\a.kml"), std::string::npos);
  }
}

}  // namespace
}  // namespace zge::win32
