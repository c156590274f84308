// Dialog settings, file input and output.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/scripted_dialogs.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"

namespace {

TEST(FileDialog, StartsTheNextUseWithThePathChosenLast) {
  testing_support::ScriptedDialogs dialogs;
  dialogs.files = {QStringLiteral("/pictures/a.bmp"), std::nullopt};
  toolkit::FileDialog dialog;
  dialog.request.filter = QStringLiteral("图像文件|*.bmp");
  EXPECT_EQ(dialog.run(dialogs), QStringLiteral("/pictures/a.bmp"));
  EXPECT_EQ(dialog.run(dialogs), std::nullopt);
  ASSERT_EQ(dialogs.fileRequests.size(), 2u);
  EXPECT_EQ(dialogs.fileRequests[0].fileName, QString());
  EXPECT_EQ(dialogs.fileRequests[1].fileName, QStringLiteral("/pictures/a.bmp"));
  EXPECT_EQ(dialog.request.fileName, QStringLiteral("/pictures/a.bmp")) << "a cancel keeps the name";
}

TEST(FileDialog, FilterTextBecomesQtNameFilters) {
  EXPECT_EQ(toolkit::qtNameFilters(QStringLiteral("图像文件|*.bmp;*.jpg|所有文件(*.*)|*.*")),
            QStringList({QStringLiteral("图像文件 (*.bmp *.jpg)"), QStringLiteral("所有文件(*.*) (*)")}));
  EXPECT_EQ(toolkit::qtNameFilters(QStringLiteral("图标文件|*.ico")), QStringList({QStringLiteral("图标文件 (*.ico)")}));
}

class Files : public testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

TEST_F(Files, ReadGivesNothingForEveryKindOfMissingFile) {
  ASSERT_TRUE(toolkit::writeWholeFile(path("empty"), {}));
  EXPECT_TRUE(toolkit::readWholeFile(QString()).empty());
  EXPECT_TRUE(toolkit::readWholeFile(path("missing")).empty());
  EXPECT_TRUE(toolkit::readWholeFile(path("empty")).empty());
  EXPECT_TRUE(toolkit::readWholeFile(dir.path()).empty()) << "a folder";
}

TEST_F(Files, WriteCreatesAndReplacesWholeFiles) {
  ASSERT_TRUE(toolkit::writeWholeFile(path("icon.ico"), {1, 2, 3, 4}));
  ASSERT_TRUE(toolkit::writeWholeFile(path("icon.ico"), {9}));
  EXPECT_EQ(toolkit::readWholeFile(path("icon.ico")), icon::Bytes{9});
  EXPECT_FALSE(toolkit::writeWholeFile(QString(), {1}));
}

TEST_F(Files, FailedWriteLeavesAnExistingFileAsItWas) {
  const icon::Bytes original{1, 2, 3};
  ASSERT_TRUE(toolkit::writeWholeFile(path("icon.ico"), original));
  // A folder that cannot take the temporary file, as on a read-only disk.
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const bool written = toolkit::writeWholeFile(path("icon.ico"), icon::Bytes(4150, 7));
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (written) GTEST_SKIP() << "running as a user who may write anywhere";
  EXPECT_EQ(toolkit::readWholeFile(path("icon.ico")), original);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("icon.ico")}) << "no leftovers";
}

TEST_F(Files, WriteToAFolderFailsAndKeepsTheFolder) {
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
  EXPECT_FALSE(toolkit::writeWholeFile(path("sub"), {1}));
  EXPECT_TRUE(QFileInfo(path("sub")).isDir());
}

}  // namespace

namespace {

TEST_F(Files, WriteFailingPartWayLeavesTheOldFileAndNoTemporary) {
  const icon::Bytes original{1, 2, 3};
  ASSERT_TRUE(toolkit::writeWholeFile(path("icon.ico"), original));
  toolkit::failWritesAfter(100);
  EXPECT_FALSE(toolkit::writeWholeFile(path("icon.ico"), icon::Bytes(4150, 7)));
  toolkit::failWritesAfter(std::nullopt);
  EXPECT_EQ(toolkit::readWholeFile(path("icon.ico")), original);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("icon.ico")});
}

}  // namespace
