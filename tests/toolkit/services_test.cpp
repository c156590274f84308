// Dialog settings, file input and output.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <future>

#include "support/scripted_dialogs.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"
#include "toolkit/picture.h"

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

TEST_F(Files, ReadRefusesAFileLongerThanTheLimitBeforeReadingIt) {
  ASSERT_TRUE(toolkit::writeWholeFile(path("ten"), icon::Bytes(10, 7)));
  EXPECT_EQ(toolkit::readWholeFile(path("ten"), 10), icon::Bytes(10, 7));
  EXPECT_TRUE(toolkit::readWholeFile(path("ten"), 9).empty());

  // Sparse: it takes no disk, and reading it would take 3 GiB of memory.
  QFile huge(path("huge.bmp"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.write("BM", 2) == 2 && huge.resize(3LL << 30));
  huge.close();
  EXPECT_TRUE(toolkit::readWholeFile(path("huge.bmp"), toolkit::largestPictureFile).empty());
}

TEST_F(Files, ReadRefusesAFifoWithoutWaitingForIt) {
  // A FIFO with a writer that never closes: a read of it would never end.
  // Opening it read-write (Linux allows it) holds the writer end without
  // blocking.
  const QByteArray fifo = QFile::encodeName(path("fifo"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  const int writer = ::open(fifo.constData(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "BM", 2), 2);
  auto read = std::async(std::launch::async, [&] { return toolkit::readWholeFile(path("fifo")); });
  const bool answered = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  ::close(writer);  // ends a read that did block, so the test fails rather than hangs
  EXPECT_TRUE(answered) << "the read blocked on the FIFO";
  EXPECT_TRUE(read.get().empty());
}

TEST_F(Files, FailedWriteLeavesAnExistingFileAsItWas) {
  // /proc/self takes no new file, not even from root, as a read-only disk
  // would not: the temporary file cannot be made next to the target.
  QFile comm(QStringLiteral("/proc/self/comm"));
  ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
  const QByteArray name = comm.readAll();
  comm.close();
  ASSERT_FALSE(name.isEmpty());
  EXPECT_FALSE(toolkit::writeWholeFile(comm.fileName(), icon::Bytes(4150, 'x')));
  ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
  EXPECT_EQ(comm.readAll(), name);
}

TEST_F(Files, WritesThatCannotHappenFailAndLeaveThePathAsItWas) {
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
  ASSERT_TRUE(toolkit::writeWholeFile(path("file"), {1, 2}));
  for (const QString& target : {path("sub"), path("file/icon.ico"), QStringLiteral("/proc/icon.ico"),
                                QStringLiteral("/sys/icon.ico")}) {
    SCOPED_TRACE(target.toStdString());
    EXPECT_FALSE(toolkit::writeWholeFile(target, {1}));
  }
  EXPECT_TRUE(QFileInfo(path("sub")).isDir());
  EXPECT_EQ(toolkit::readWholeFile(path("file")), (icon::Bytes{1, 2}));
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/icon.ico")));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
            (QStringList{QStringLiteral("file"), QStringLiteral("sub")}));
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
