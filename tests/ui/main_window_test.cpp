// The main window driven as a user would, with scripted dialogs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "icon/operations.h"
#include "support/pictures.h"
#include "support/scripted_dialogs.h"
#include "toolkit/colour.h"
#include "toolkit/files.h"
#include "toolkit/picture.h"
#include "toolkit/startup.h"
#include "ui/main/main_window.h"

namespace {

using testing_support::ShownMessage;

const QString warningTitle = QStringLiteral("警告");

class MainWindowTest : public testing::Test {
 protected:
  app::State state;
  testing_support::ScriptedDialogs dialogs;
  std::vector<int> exitCodes;
  ui::MainWindow window{state, dialogs, [this](int code) { exitCodes.push_back(code); }};
  QTemporaryDir dir;

  QString writePicture(const char* name, const icon::Bytes& bytes) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    EXPECT_TRUE(toolkit::writeWholeFile(path, bytes));
    return path;
  }

  // Chooses pictures through "选择图片" in the given format.
  void choose(QRadioButton* format, std::initializer_list<std::optional<QString>> files) {
    format->click();
    dialogs.files.assign(files.begin(), files.end());
    window.选择图片->click();
  }

  // Drags the data over the middle of a control and drops it, through the
  // window as the platform delivers a drag. Says whether the window
  // accepted the drag (else the cursor shows it cannot be dropped).
  bool dragAndDrop(QWidget* over, const QMimeData& data) {
    window.show();
    const QPoint at = over->mapTo(&window, over->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &drop);
    QCoreApplication::processEvents();  // the dropped file is taken once the drop has returned
    return enter.isAccepted();
  }

  // Ctrl+V with the pointer over a control, typed into a child as the key
  // goes to whichever control has the focus.
  void paste(QWidget* pointerOver) {
    window.show();
    QCursor::setPos(pointerOver->mapToGlobal(pointerOver->rect().center()));
    QTest::keyClick(window.单选框1, Qt::Key_V, Qt::ControlModifier);
  }

  ~MainWindowTest() override { QGuiApplication::clipboard()->clear(); }

  std::vector<QString> warnings() const {
    std::vector<QString> texts;
    for (const auto& m : dialogs.messages)
      if (m.kind == toolkit::MessageKind::warningOk && m.title == warningTitle) texts.push_back(m.text);
    return texts;
  }
};

std::unique_ptr<QMimeData> files(const QStringList& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  return data;
}

struct Placement {
  const char* name;
  const char* parent;
  QRect geometry;
  const char* text;
};

TEST_F(MainWindowTest, EveryControlSitsWhereTheLayoutPutsIt) {
  const Placement table[] = {
      {"选择图片", "", {258, 24, 66, 24}, "选择图片"},
      {"转换", "", {258, 53, 66, 24}, "转　　换"},
      {"编辑", "", {258, 82, 66, 24}, "编　　辑"},
      {"保存", "", {258, 111, 66, 24}, "保存图标"},
      {"清除", "", {258, 140, 66, 24}, "清    除"},
      {"退出", "", {258, 186, 66, 24}, "退　　出"},
      {"分组框2", "", {6, 18, 114, 198}, "图像文件预览"},
      {"位图画板1", "分组框2", {15, 18, 84, 84}, nullptr},
      {"位图画板2", "分组框2", {15, 105, 84, 84}, nullptr},
      {"分组框3", "", {132, 18, 114, 102}, "图标效果"},
      {"图标画板1", "分组框3", {12, 30, 16, 16}, nullptr},
      {"标签1", "分组框3", {60, 31, 42, 18}, "16×16"},
      {"图标画板2", "分组框3", {12, 60, 32, 32}, nullptr},
      {"标签2", "分组框3", {60, 69, 42, 18}, "32×32"},
      {"分组框1", "", {132, 132, 114, 84}, "图标格式"},
      {"单选框1", "分组框1", {6, 21, 84, 18}, "单16×16"},
      {"单选框2", "分组框1", {6, 39, 84, 18}, "单32×32"},
      {"单选框3", "分组框1", {6, 57, 102, 18}, "16×16,32×32"},
  };
  for (const Placement& want : table) {
    SCOPED_TRACE(want.name);
    auto* control = window.findChild<QWidget*>(QString::fromUtf8(want.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), want.geometry);
    EXPECT_EQ(control->parentWidget()->objectName(), QString::fromUtf8(want.parent));
    if (!want.text) continue;
    const QString text = QString::fromUtf8(want.text);
    QString shown;
    if (auto* b = qobject_cast<QAbstractButton*>(control)) shown = b->text();
    if (auto* g = qobject_cast<QGroupBox*>(control)) shown = g->title();
    if (auto* l = qobject_cast<QLabel*>(control)) shown = l->text();
    EXPECT_EQ(shown, text);
  }
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quorvel - Dalvern"));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  for (auto* control : window.findChildren<QWidget*>()) {
    if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_"))) continue;
    EXPECT_TRUE(QRect(QPoint(0, 0), window.size()).contains(control->mapTo(&window, control->rect().bottomRight())))
        << control->objectName().toStdString() << " lies inside the client area";
  }
}

TEST_F(MainWindowTest, StartsWithNothingCheckedLabelsHiddenAndCanvasesAsLaidOut) {
  state.outputIcon = {1};
  ui::MainWindow fresh(state, dialogs, [](int) {});
  EXPECT_TRUE(state.outputIcon.empty()) << "the creation handler empties the output icon";
  fresh.open();
  EXPECT_EQ(fresh.currentFormat(), ui::IconFormat::none);
  EXPECT_FALSE(fresh.标签1->isVisible());
  EXPECT_FALSE(fresh.标签2->isVisible());
  EXPECT_TRUE(fresh.图标画板1->isVisible());
  EXPECT_EQ(fresh.图标画板1->canvas().drawingArea(), QSize(16, 16));
  EXPECT_EQ(fresh.图标画板2->canvas().drawingArea(), QSize(32, 32));
  EXPECT_TRUE(fresh.图标画板1->canvas().keepsDrawing());
  EXPECT_FALSE(fresh.位图画板1->canvas().keepsDrawing());
  EXPECT_EQ(fresh.位图画板1->canvas().pictureMode(), toolkit::PictureMode::centredFit);
  EXPECT_EQ(fresh.图标画板1->canvas().backgroundColour(), icon::defaultColourMarker);
  EXPECT_EQ(fresh.通用对话框1.request.filter, QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png"));
  EXPECT_TRUE(fresh.通用对话框1.request.fileName.isEmpty());
}

TEST_F(MainWindowTest, RefusalsBeforeAnythingIsLoaded) {
  window.保存->click();
  window.选择图片->click();
  window.转换->click();
  EXPECT_EQ(warnings(), (std::vector<QString>{QStringLiteral("输出图标为空，不能被保存！"),
                                              QStringLiteral("请先设置图标格式!"),
                                              QStringLiteral("你还未载入图像文件！")}));
  EXPECT_TRUE(dialogs.fileRequests.empty()) << "no file dialog without a format";
}

TEST_F(MainWindowTest, BothFormatPromptsTwiceAndCancellingTheFirstStillAsksForTheSecond) {
  const QString second = writePicture("b.bmp", testing_support::bmp24(32, 32, testing_support::patternColour));
  choose(window.单选框3, {std::nullopt, second});
  EXPECT_EQ(dialogs.messages,
            (std::vector<ShownMessage>{
                {QStringLiteral("即将打开欲转换为16x16格式的图像文件。"), toolkit::MessageKind::informationOk,
                 QStringLiteral("打开文件")},
                {QStringLiteral("即将打开欲转换为32x32格式的图像文件。"), toolkit::MessageKind::informationOk,
                 QStringLiteral("打开文件")}}));
  ASSERT_EQ(dialogs.fileRequests.size(), 2u);
  EXPECT_EQ(dialogs.fileRequests[0].kind, toolkit::FileDialogKind::open);
  EXPECT_EQ(dialogs.fileRequests[0].filter,
            QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png|所有文件(*.*)|*.*"));
  EXPECT_TRUE(window.位图画板1->canvas().backgroundPicture().empty());
  EXPECT_EQ(window.位图画板2->canvas().backgroundPicture(), toolkit::readWholeFile(second));
}

TEST_F(MainWindowTest, Single16ConversionCopiesA16x16PictureExactly) {
  choose(window.单选框1, {writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour))});
  window.show();
  window.转换->click();
  ASSERT_EQ(state.outputIcon.size(), 894u);
  const icon::Bytes block = testing_support::patternBlock(16);
  EXPECT_EQ(state.pixelBlock16, block);
  icon::Bytes want = icon::blankIcon(icon::Layout::single16);
  ASSERT_TRUE(icon::splice(want, 62, block));
  EXPECT_EQ(state.outputIcon, want);
  EXPECT_TRUE(window.图标画板1->isVisible());
  EXPECT_TRUE(window.标签1->isVisible());
  EXPECT_FALSE(window.图标画板2->isVisible());
  EXPECT_FALSE(window.标签2->isVisible());
}

TEST_F(MainWindowTest, BothConversionSplicesEachPreviewAtItsOwnOffset) {
  const QString small = writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour));
  const QString large = writePicture("b.bmp", testing_support::bmp24(32, 32, testing_support::patternColour));
  choose(window.单选框3, {small, large});
  window.show();
  window.转换->click();
  icon::Bytes want = icon::blankIcon(icon::Layout::both);
  ASSERT_TRUE(icon::splice(want, 78, testing_support::patternBlock(16)));
  ASSERT_TRUE(icon::splice(want, 950, testing_support::patternBlock(32)));
  EXPECT_EQ(state.outputIcon, want);
  EXPECT_TRUE(window.标签1->isVisible());
  EXPECT_TRUE(window.标签2->isVisible());

  // Converting again starts from a fresh blank file: same result.
  window.转换->click();
  EXPECT_EQ(state.outputIcon, want);
}

TEST_F(MainWindowTest, OneFileChosenForBothSizesIsDecodedOnce) {
  const QString shared = writePicture("a.bmp", testing_support::bmp24(32, 32, testing_support::patternColour));
  const QString other = writePicture("b.bmp", testing_support::bmp24(32, 32, [](int, int) { return 0x00FF00u; }));
  choose(window.单选框3, {shared, shared});
  const auto& first = window.位图画板1->canvas().decodedPicture();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(window.位图画板2->canvas().decodedPicture(), first);
  window.转换->click();
  EXPECT_EQ(state.pixelBlock32, testing_support::patternBlock(32));
  const icon::Bytes shared16 = state.pixelBlock16;

  // Another file is decoded for itself, and each preview converts as its own.
  choose(window.单选框3, {std::nullopt, other});
  EXPECT_NE(window.位图画板2->canvas().decodedPicture(), first);
  window.转换->click();
  EXPECT_EQ(state.pixelBlock16, shared16);
  icon::Bytes green;
  for (int i = 0; i < 32 * 32; ++i) green.insert(green.end(), {0x00, 0xFF, 0x00});
  EXPECT_EQ(state.pixelBlock32, green);
}

TEST_F(MainWindowTest, Single32ConversionReducesByAveraging) {
  // Columns alternate black and white: every 2x2 block averages to grey.
  choose(window.单选框2, {writePicture("a.bmp", testing_support::bmp24(64, 64, [](int x, int) {
                            return x % 2 ? 0xFFFFFFu : 0u;
                          }))});
  window.转换->click();
  ASSERT_EQ(state.outputIcon.size(), 3262u);
  ASSERT_EQ(state.pixelBlock32.size(), 3072u);
  for (std::uint8_t value : state.pixelBlock32) ASSERT_NEAR(value, 128, 2);
  EXPECT_TRUE(state.pixelBlock16.empty()) << "the other size stays as it was";
}

TEST_F(MainWindowTest, SaveWritesTheIconClearsTheWindowAndRemembersThePath) {
  choose(window.单选框1, {writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour))});
  window.转换->click();
  const icon::Bytes converted = state.outputIcon;
  const QString target = dir.filePath(QStringLiteral("out.ico"));
  dialogs.files = {target};
  window.保存->click();
  const auto& request = dialogs.fileRequests.back();
  EXPECT_EQ(request.kind, toolkit::FileDialogKind::save);
  EXPECT_EQ(request.filter, QStringLiteral("图标文件|*.ico"));
  EXPECT_EQ(request.defaultExtension, QStringLiteral("ico"));
  EXPECT_TRUE(request.fileName.isEmpty());
  EXPECT_EQ(toolkit::readWholeFile(target), converted);
  EXPECT_TRUE(state.outputIcon.empty());
  EXPECT_TRUE(state.pixelBlock16.empty());
  EXPECT_TRUE(window.位图画板1->canvas().backgroundPicture().empty());
  EXPECT_FALSE(window.标签1->isVisible());
  EXPECT_TRUE(warnings().empty());

  dialogs.files = {std::nullopt};
  window.选择图片->click();
  EXPECT_EQ(dialogs.fileRequests.back().fileName, target) << "the next dialog starts at the saved icon";
}

TEST_F(MainWindowTest, CancelledOrFailedSavesKeepEverything) {
  choose(window.单选框1, {writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour))});
  window.转换->click();
  const icon::Bytes converted = state.outputIcon;
  const icon::Bytes preview = window.位图画板1->canvas().backgroundPicture();
  const QString existing = writePicture("old.ico", {1, 2, 3});

  dialogs.files = {std::nullopt, QString(), dir.path(), existing};
  window.保存->click();  // cancelled
  window.保存->click();  // empty name
  window.保存->click();  // a folder
  toolkit::failWritesAfter(10);
  window.保存->click();  // the disk fills up part-way
  toolkit::failWritesAfter(std::nullopt);
  EXPECT_EQ(warnings(), (std::vector<QString>{QStringLiteral("文件名称不能为空！"), QStringLiteral("图标文件保存失败！"),
                                              QStringLiteral("图标文件保存失败！")}));
  EXPECT_EQ(state.outputIcon, converted);
  EXPECT_EQ(state.pixelBlock16.size(), 768u);
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), preview);
  EXPECT_EQ(toolkit::readWholeFile(existing), (icon::Bytes{1, 2, 3}));

  dialogs.files = {existing};
  window.保存->click();  // a retry saves the same icon
  EXPECT_EQ(toolkit::readWholeFile(existing), converted);
}

TEST_F(MainWindowTest, AFileThatIsNoPictureIsRefusedAndTheEarlierPreviewStays) {
  const QString good = writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour));
  const QString text = writePicture("notes.ico", {'h', 'e', 'l', 'l', 'o'});
  const QString empty = writePicture("empty.bmp", {});
  choose(window.单选框1, {good});
  for (const QString& bad : {text, empty, dir.filePath(QStringLiteral("missing.bmp")), dir.path()}) {
    dialogs.files = {bad};
    window.选择图片->click();
  }
  EXPECT_EQ(warnings(), std::vector<QString>(4, QStringLiteral("无法识别的图像文件！")));
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(good));
}

TEST_F(MainWindowTest, ADroppedFileGoesToTheSecondPreviewOnlyWhenDroppedThereInTheTwoImageFormat) {
  const QString small = writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour));
  const QString large = writePicture("b.bmp", testing_support::bmp24(32, 32, testing_support::patternColour));
  const QString other = writePicture("c.bmp", testing_support::bmp24(8, 8, [](int, int) { return 0x00FF00u; }));
  window.单选框3->click();
  EXPECT_TRUE(dragAndDrop(window.位图画板2, *files({large, small})));  // several: the first counts
  EXPECT_TRUE(dragAndDrop(window.分组框1, *files({small})));
  EXPECT_EQ(window.位图画板2->canvas().backgroundPicture(), toolkit::readWholeFile(large));
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(small));
  window.转换->click();
  EXPECT_EQ(state.pixelBlock16, testing_support::patternBlock(16));
  EXPECT_EQ(state.pixelBlock32, testing_support::patternBlock(32));

  window.单选框2->click();
  EXPECT_TRUE(dragAndDrop(window.位图画板2, *files({other})));
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(other))
      << "one picture formats have only the first preview";
  EXPECT_EQ(window.位图画板2->canvas().backgroundPicture(), toolkit::readWholeFile(large));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, DropRefusals) {
  const QString good = writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour));
  const QString text = writePicture("notes.bmp", {'h', 'i'});

  EXPECT_TRUE(dragAndDrop(window.位图画板1, *files({good})));
  EXPECT_EQ(warnings(), std::vector<QString>{QStringLiteral("请先设置图标格式!")});
  EXPECT_TRUE(window.位图画板1->canvas().backgroundPicture().empty());

  window.单选框1->click();
  ASSERT_TRUE(dragAndDrop(window.位图画板1, *files({good})));
  EXPECT_TRUE(dragAndDrop(window.位图画板1, *files({text, good})));
  EXPECT_EQ(warnings().back(), QStringLiteral("无法识别的图像文件！"));

  QMimeData words;
  words.setText(QStringLiteral("a.bmp"));
  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.bmp"))});
  QMimeData image;
  image.setImageData(testing_support::patternImage(16));
  for (const QMimeData* notAFile : {&words, &web, &image}) EXPECT_FALSE(dragAndDrop(window.位图画板1, *notAFile));
  EXPECT_EQ(warnings().size(), 2u) << "what is not accepted is not dropped";
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(good));
}

TEST_F(MainWindowTest, PastedImageDataIsTakenAsPngAndConvertsExactly) {
  window.单选框3->click();
  QGuiApplication::clipboard()->setImage(testing_support::patternImage(16));
  paste(window.位图画板1);
  QGuiApplication::clipboard()->setImage(testing_support::patternImage(32));
  paste(window.位图画板2);
  const icon::Bytes pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const auto* preview : {window.位图画板1, window.位图画板2}) {
    const icon::Bytes& bytes = preview->canvas().backgroundPicture();
    ASSERT_GE(bytes.size(), pngSignature.size());
    EXPECT_TRUE(std::equal(pngSignature.begin(), pngSignature.end(), bytes.begin()));
  }
  window.转换->click();
  EXPECT_EQ(state.pixelBlock16, testing_support::patternBlock(16));
  EXPECT_EQ(state.pixelBlock32, testing_support::patternBlock(32));

  window.单选框2->click();
  QGuiApplication::clipboard()->setImage(testing_support::patternImage(40));
  paste(window.位图画板2);
  EXPECT_EQ(toolkit::decodePicture(window.位图画板1->canvas().backgroundPicture())->size(), QSize(40, 40))
      << "one picture formats paste into the first preview wherever the pointer is";
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, ACopiedFileIsPastedAsItsBytes) {
  const QString large = writePicture("b.bmp", testing_support::bmp24(32, 32, testing_support::patternColour));
  window.单选框2->click();
  QGuiApplication::clipboard()->setMimeData(files({large}).release());
  paste(window.转换);
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(large));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, PasteRefusals) {
  const QString good = writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour));
  const QString text = writePicture("notes.bmp", {'h', 'i'});
  QClipboard* clipboard = QGuiApplication::clipboard();

  clipboard->setMimeData(files({good}).release());
  paste(window.位图画板1);
  EXPECT_TRUE(window.位图画板1->canvas().backgroundPicture().empty());

  window.单选框1->click();
  paste(window.位图画板1);
  clipboard->setMimeData(files({text}).release());
  paste(window.位图画板1);
  clipboard->setText(QStringLiteral("not a picture"));
  paste(window.位图画板1);
  clipboard->clear();
  paste(window.位图画板1);
  auto web = std::make_unique<QMimeData>();
  web->setUrls({QUrl(QStringLiteral("https://example.org/a.bmp"))});
  clipboard->setMimeData(web.release());
  paste(window.位图画板1);

  EXPECT_EQ(warnings(), (std::vector<QString>{QStringLiteral("请先设置图标格式!"), QStringLiteral("无法识别的图像文件！"),
                                              QStringLiteral("剪贴板中没有图像！"), QStringLiteral("剪贴板中没有图像！"),
                                              QStringLiteral("剪贴板中没有图像！")}));
  EXPECT_EQ(dialogs.messages.size(), 5u) << "each as a warning titled 警告";
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), toolkit::readWholeFile(good));
}

TEST(QtDialogs, MessageBoxesSpeakChineseAndReportTheButtonPressed) {
  struct Case {
    toolkit::MessageKind kind;
    QMessageBox::Icon icon;
    QStringList buttons;
    const char* press;
    toolkit::Answer answer;
  };
  const Case cases[] = {
      {toolkit::MessageKind::warningOk, QMessageBox::Warning, {QStringLiteral("确定")}, "确定", toolkit::Answer::ok},
      {toolkit::MessageKind::informationOk, QMessageBox::Information, {QStringLiteral("确定")}, "确定",
       toolkit::Answer::ok},
      {toolkit::MessageKind::informationYesNo, QMessageBox::Information, {QStringLiteral("是"), QStringLiteral("否")},
       "是", toolkit::Answer::yes},
      {toolkit::MessageKind::informationYesNo, QMessageBox::Information, {QStringLiteral("是"), QStringLiteral("否")},
       "否", toolkit::Answer::no},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.press);
    QMessageBox* shown = nullptr;
    QStringList buttons;
    QTimer::singleShot(0, [&] {
      shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!shown) return;
      EXPECT_EQ(shown->icon(), c.icon);
      EXPECT_EQ(shown->windowTitle(), QStringLiteral("标题"));
      EXPECT_EQ(shown->text(), QStringLiteral("正文"));
      for (QAbstractButton* button : shown->buttons()) {
        // The keyboard mnemonic aside: "是(&Y)" reads 是.
        buttons << button->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
        if (buttons.back() == QString::fromUtf8(c.press)) button->click();
      }
      if (shown->isVisible()) shown->reject();  // no such button: end the box all the same
    });
    toolkit::QtDialogs dialogs;
    const toolkit::Answer answer = dialogs.messageBox(QStringLiteral("正文"), c.kind, QStringLiteral("标题"));
    ASSERT_NE(shown, nullptr) << "no message box was shown";
    buttons.sort();
    QStringList want = c.buttons;
    want.sort();
    EXPECT_EQ(buttons, want) << "Qt's own texts are translated";
    EXPECT_EQ(answer, c.answer);
  }
}

TEST_F(MainWindowTest, AFileLargerThanAnyPictureIsRefusedUnread) {
  icon::Bytes padded = testing_support::bmp24(16, 16, testing_support::patternColour);
  padded.resize(padded.size() + 1024);
  choose(window.单选框1, {writePicture("padded.bmp", padded)});
  ASSERT_EQ(window.位图画板1->canvas().backgroundPicture(), padded) << "bytes past the picture are no reason to refuse";

  // The same kind of file, sparse, one byte longer than any picture file.
  QFile huge(writePicture("huge.bmp", testing_support::bmp24(16, 16, [](int, int) { return 0xFF0000u; })));
  ASSERT_TRUE(huge.resize(static_cast<qint64>(toolkit::largestPictureFile) + 1));
  dialogs.files = {huge.fileName()};
  window.选择图片->click();
  EXPECT_EQ(warnings(), std::vector<QString>{QStringLiteral("无法识别的图像文件！")});
  EXPECT_EQ(window.位图画板1->canvas().backgroundPicture(), padded);
}

TEST_F(MainWindowTest, ClearEmptiesPreviewsIconsAndState) {
  choose(window.单选框1, {writePicture("a.bmp", testing_support::bmp24(16, 16, testing_support::patternColour))});
  window.show();
  window.转换->click();
  window.清除->click();
  EXPECT_TRUE(state.outputIcon.empty());
  EXPECT_TRUE(state.pixelBlock16.empty());
  EXPECT_TRUE(window.位图画板1->canvas().backgroundPicture().empty());
  EXPECT_FALSE(window.标签1->isVisible());
  EXPECT_TRUE(window.图标画板1->isVisible());
  EXPECT_EQ(window.图标画板1->canvas().image().pixel(3, 3), toolkit::defaultColour().rgb());
}

TEST_F(MainWindowTest, ExitButtonEndsWithCodeZeroAndEscClosesTheWindow) {
  window.退出->click();
  EXPECT_EQ(exitCodes, std::vector<int>{0});
  window.open();
  ASSERT_TRUE(window.isVisible());
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  toolkit::startToolkit();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
