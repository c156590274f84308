// The main window's layout, creation and keyboard handling.

#include "ui/main/main_window.h"

#include <QKeyEvent>

#include "toolkit/controls.h"

namespace ui {
namespace {

// The layout was drawn for this outer size; the client area keeps its margins.
constexpr QSize outerSize(340, 253);
constexpr QSize clientSize(334, 226);

using toolkit::placed;

QPushButton* button(QWidget* parent, const char* name, QRect geometry, const QString& text) {
  auto* b = placed(new QPushButton(text, parent), name, geometry);
  b->setAutoDefault(false);
  return b;
}

QLabel* label(QWidget* parent, const char* name, QRect geometry, const QString& text) {
  auto* l = placed(new QLabel(text, parent), name, geometry);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  l->hide();
  return l;
}

toolkit::CanvasWidget* canvas(QWidget* parent, const char* name, QRect geometry, bool keepsDrawing) {
  auto* c = new toolkit::CanvasWidget(parent, QString::fromUtf8(name), geometry, toolkit::Border::none, keepsDrawing);
  c->canvas().setPictureMode(toolkit::PictureMode::centredFit);
  c->canvas().setPen(toolkit::PenStyle::solid, 0);
  c->canvas().setBrush(toolkit::BrushStyle::solid, 0x00FFFFFF);
  return c;
}

}  // namespace

MainWindow::MainWindow(app::State& state, toolkit::Dialogs& dialogs, std::function<void(int)> exitProgram)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state),
      dialogs_(dialogs),
      exitProgram_(std::move(exitProgram)) {
  buildLayout();
  created();
}

void MainWindow::buildLayout() {
  toolkit::makeFixedWindow(this, QStringLiteral("Quorvel - Dalvern"), clientSize);
  setAcceptDrops(true);

  选择图片 = button(this, "选择图片", {258, 24, 66, 24}, QStringLiteral("选择图片"));
  转换 = button(this, "转换", {258, 53, 66, 24}, QStringLiteral("转　　换"));
  编辑 = button(this, "编辑", {258, 82, 66, 24}, QStringLiteral("编　　辑"));
  保存 = button(this, "保存", {258, 111, 66, 24}, QStringLiteral("保存图标"));
  清除 = button(this, "清除", {258, 140, 66, 24}, QStringLiteral("清    除"));
  退出 = button(this, "退出", {258, 186, 66, 24}, QStringLiteral("退　　出"));

  分组框2 = placed(new QGroupBox(QStringLiteral("图像文件预览"), this), "分组框2", {6, 18, 114, 198});
  位图画板1 = canvas(分组框2, "位图画板1", {15, 18, 84, 84}, false);
  位图画板2 = canvas(分组框2, "位图画板2", {15, 105, 84, 84}, false);

  分组框3 = placed(new QGroupBox(QStringLiteral("图标效果"), this), "分组框3", {132, 18, 114, 102});
  图标画板1 = canvas(分组框3, "图标画板1", {12, 30, 16, 16}, true);
  标签1 = label(分组框3, "标签1", {60, 31, 42, 18}, QStringLiteral("16×16"));
  图标画板2 = canvas(分组框3, "图标画板2", {12, 60, 32, 32}, true);
  标签2 = label(分组框3, "标签2", {60, 69, 42, 18}, QStringLiteral("32×32"));

  分组框1 = placed(new QGroupBox(QStringLiteral("图标格式"), this), "分组框1", {132, 132, 114, 84});
  单选框1 = placed(new QRadioButton(QStringLiteral("单16×16"), 分组框1), "单选框1", {6, 21, 84, 18});
  单选框2 = placed(new QRadioButton(QStringLiteral("单32×32"), 分组框1), "单选框2", {6, 39, 84, 18});
  单选框3 = placed(new QRadioButton(QStringLiteral("16×16,32×32"), 分组框1), "单选框3", {6, 57, 102, 18});

  通用对话框1.request.filter = QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png");

  connect(选择图片, &QPushButton::clicked, this, &MainWindow::choosePicture);
  connect(转换, &QPushButton::clicked, this, &MainWindow::convert);
  connect(编辑, &QPushButton::clicked, this, &MainWindow::edit);
  connect(保存, &QPushButton::clicked, this, &MainWindow::save);
  connect(清除, &QPushButton::clicked, this, &MainWindow::clear);
  connect(退出, &QPushButton::clicked, this, &MainWindow::exit);
}

void MainWindow::created() { state_.outputIcon = icon::Bytes(); }

void MainWindow::open() {
  toolkit::centreOnScreen(this, outerSize);
  show();
}

IconFormat MainWindow::currentFormat() const {
  if (单选框1->isChecked()) return IconFormat::single16;
  if (单选框2->isChecked()) return IconFormat::single32;
  if (单选框3->isChecked()) return IconFormat::both;
  return IconFormat::none;
}

void MainWindow::warn(const QString& text) {
  dialogs_.messageBox(text, toolkit::MessageKind::warningOk, QStringLiteral("警告"));
}

bool MainWindow::requireFormat() {
  if (currentFormat() != IconFormat::none) return true;
  warn(QStringLiteral("请先设置图标格式!"));
  return false;
}

void MainWindow::exit() { exitProgram_(0); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    paste();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace ui
