#include "frmPrinting.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QUrl>

#include "ImagePreview.h"
#include "Printing.h"
#include "ShowImage.h"
#include "Texts.h"
#include "common/FileSearch.h"
#include "common/QuotedLineFile.h"
#include "platform/Platform.h"
#include "platform/qt/Geometry.h"
#include "platform/qt/QtText.h"
#include "platform/qt/Windows.h"
#include "windows/WindowParts.h"

namespace imbinder {

using namespace platform::window_helpers;
using namespace windows;

namespace {

constexpr const char* kDropHint = "拖拽文件到这里";
constexpr const char* kPageNumberText = "当前文件所在页码: ";
constexpr int kFirstQuality = 80;
constexpr const char* kRecognizeCaption = "文字识别(OCR)";
constexpr const char* kRecognizeTip =
    "在每页图片下加入看不见的文字（简体中文和英文），生成的PDF可以搜索、复制；每页约需两秒";

struct ToolbarButton {
    const char* caption;
    const char* toolTip;  // nullptr: none
    int left;             // twips
};
// By index; on screen move up (6) stands between clear (3) and move down (4).
constexpr ToolbarButton kToolbar[7] = {
    {"添加文件", "Add a PDF File", 0},
    {"添加目录", "Add PDF Files from a Folder", 1410},
    {"删除文件", "Remove File(s) from List", 2820},
    {"清空列表", "Remove all from File List", 4230},
    {"下移一页", "Move selected Down", 7050},
    {"退出程序", "Exit", 9870},
    {"上移一页", nullptr, 5640},
};
constexpr int kToolbarScreenOrder[7] = {0, 1, 2, 3, 6, 4, 5};

enum Command { kAddFile, kAddFolder, kRemoveFile, kClearList, kMoveDown, kExit, kMoveUp };

QLineEdit* NewTextBox(QWidget* parent, const char* name, const char* text, QLabel* label,
                      QRect geometry) {
    auto* box = new QLineEdit(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    // The label's caption without its colon is what a screen reader says.
    box->setAccessibleName(label->text().chopped(1));
    box->setGeometry(geometry);
    label->setBuddy(box);
    return box;
}

// The document information and the output folder: each a label over its text box, top to
// bottom, at the left of the fields' column (twips).
constexpr int kFieldsLeft = 7710;
constexpr int kFieldsWidth = 3450;
struct InformationField {
    QLabel* frmPrinting::*label;
    const char* labelName;
    const char* caption;
    int labelTop;
    QLineEdit* frmPrinting::*box;
    const char* boxName;
    const char* text;
    int boxTop;
    int boxWidth;
};
const InformationField kInformationFields[] = {
    {&frmPrinting::lblTitle, "lblTitle", "PDF文档标题:", 1140, &frmPrinting::txtTitle, "txtTitle",
     kDefaultTitle, 1380, kFieldsWidth},
    {&frmPrinting::lblCreateFor, "lblCreateFor", "PDF文档作者:", 1830, &frmPrinting::txtCreateFor,
     "txtCreateFor", "Imbinder", 2070, kFieldsWidth},
    {&frmPrinting::lblCreationDate, "lblCreationDate", "PDF文档创建时间:", 2550,
     &frmPrinting::txtCreationDate, "txtCreationDate", "", 2790, 2670},
    {&frmPrinting::lblSubject, "lblSubject", "PDF文档主题:", 3270, &frmPrinting::txtSubject,
     "txtSubject", "新主题", 3510, kFieldsWidth},
    {&frmPrinting::lblKeywords, "lblKeywords", "PDF文档关键字:", 3960, &frmPrinting::txtKeywords,
     "txtKeywords", "", 4200, kFieldsWidth},
    {&frmPrinting::Label3, "Label3", "生成PDF到:", 4650, &frmPrinting::txtPath, "txtPath",
     kDefaultOutputFolder, 4920, 2655},
};

// The toolbar command of a key pressed on the list, or -1.
int ListKeyCommand(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Delete && modifiers == Qt::NoModifier) return kRemoveFile;
    if (key == Qt::Key_Up && modifiers == Qt::ControlModifier) return kMoveUp;
    if (key == Qt::Key_Down && modifiers == Qt::ControlModifier) return kMoveDown;
    return -1;
}

std::string CurrentCreationDate() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return CreationDateText(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                            time.second(), now.offsetFromUtc());
}

// The program's own output folder, as designed; an installed program's folder is the system's,
// so there it is the default output folder.
std::string CancelledBrowseFolder() {
    return platform::IsInstalled() ? kDefaultOutputFolder : platform::ProgramFolder() + "\\output";
}

}  // namespace

// The two programs share one guide.
std::string ProductWebAddress() { return windows::GuideAddress(kProgram); }

frmPrinting::frmPrinting()
    : decoder_(platform::ToHostPath(platform::ProgramFolder()) + "/imdecode"),
      recognizerProgram_(platform::ToHostPath(platform::ProgramFolder()) + "/imocr") {
    QWidget* client = NewClientArea(this, "frmPrinting", 11295, 7560);

    BuildMenus();
    BuildToolbar(client);
    BuildList(client);
    BuildInformation(client);
    BuildQuality(client);
    BuildRecognition(client);
    BuildProgress(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    StartUp();
}

frmPrinting::~frmPrinting() { platform::SetOwnerWindow(0); }

void frmPrinting::BuildMenus() {
    const auto toolbar = [this](int index) { return [this, index] { CmdToolsBar_Click(index); }; };
    windows::BuildMenuBar(
        this,
        {
            {"menuFile", "文件", "menuAdd", "添加文件", toolbar(kAddFile), QKeySequence::Open},
            {"menuFile", "文件", "menuFolder", "添加目录", toolbar(kAddFolder),
             QKeySequence("Ctrl+Shift+O")},
            {"menuFile", "文件", "", "", {}, {}},
            {"menuFile", "文件", "menuExit", "退出程序", toolbar(kExit), QKeySequence("Ctrl+Q")},
            {"menuR", "移除", "menuRemove", "移除一个文件", toolbar(kRemoveFile), {}},
            {"menuR", "移除", "menuRemoveAll", "移除全部", toolbar(kClearList), {}},
            {"menuContrl", "控制", "menuUp", "上移", toolbar(kMoveUp), {}},
            {"menuContrl", "控制", "menuDown", "下移", toolbar(kMoveDown), {}},
            {"menuA", "关于", "menuWeb", "网站", [this] { VisitWebSite(); },
             QKeySequence::HelpContents},
            {"menuA", "关于", "", "", {}, {}},
            {"menuA", "关于", "menuAbout", "关于", [this] { MenuAbout(); }, {}},
        });
}

void frmPrinting::BuildToolbar(QWidget* client) {
    for (int index = 0; index < 7; ++index) {
        QToolButton* button = windows::NewToolbarButton(
            client, index, kToolbar[index].caption, QString(":/imbinder/toolbar_%1.png").arg(index),
            kToolbar[index].left);
        if (kToolbar[index].toolTip != nullptr) button->setToolTip(kToolbar[index].toolTip);
        connect(button, &QToolButton::clicked, this, [this, index] { CmdToolsBar_Click(index); });
        CmdToolsBar[index] = button;
    }
}

void frmPrinting::BuildList(QWidget* client) {
    Label2 = NewLabel(client, "Label2", "文件列表:", Twips(150, 1140, 780, 210));
    lblPageNum =
        NewLabel(client, "lblPageNum", "当前文件所在页码: 0", Twips(5760, 1140, 1665, 210));
    List1 = new QListWidget(client);
    List1->setObjectName("List1");
    List1->setAccessibleName(QString::fromUtf8("文件列表"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setGeometry(Twips(120, 1410, 7305, 4890));
    List1->viewport()->setAcceptDrops(true);
    List1->viewport()->installEventFilter(this);
    Label2->setBuddy(List1);
    connect(List1, &QListWidget::currentRowChanged, this, &frmPrinting::SelectionChanged);
    List1->installEventFilter(this);  // Delete, Ctrl+Up and Ctrl+Down
    // A double click or Enter on an entry shows that image in a preview window.
    connect(List1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowImagePreview(this, item->text().toStdString()); });

    picText = new QWidget(client);
    picText->setObjectName("picText");
    picText->setGeometry(Twips(2640, 3450, 2235, 285));
    picText->setAcceptDrops(true);
    picText->installEventFilter(this);
    lblText = NewLabel(picText, "lblText", kDropHint, Twips(435, 30, 1395, 210));
    lblText->setAlignment(Qt::AlignCenter);

    picDoor = new QLabel(client);
    picDoor->setObjectName("picDoor");
    picDoor->setPixmap(QPixmap(":/imbinder/door.png"));
    picDoor->setAcceptDrops(true);
    picDoor->installEventFilter(this);
    // Directly below the toolbar, over the working area, centred in the window's width.
    picDoor->setGeometry(Twips(30, 1395, 11235, 6165));
}

void frmPrinting::BuildInformation(QWidget* client) {
    for (const InformationField& field : kInformationFields) {
        QLabel* label = NewLabel(client, field.labelName, field.caption,
                                 Twips(kFieldsLeft, field.labelTop, kFieldsWidth, 210));
        this->*field.label = label;
        this->*field.box = NewTextBox(client, field.boxName, field.text, label,
                                      Twips(kFieldsLeft, field.boxTop, field.boxWidth, 285));
    }
    Command1 =
        NewButton(client, "Command1", "Now", Twips(10440, 2790, 735, 305), "创建时间设为现在");
    connect(Command1, &QPushButton::clicked, this, &frmPrinting::Command1_Click);
    Command1->stackUnder(lblSubject);  // beside its date in the window's order of controls
    txtPath->setToolTip("Select a Folder to Output");
    cmdBrowse =
        NewButton(client, "cmdBrowse", "Browse", Twips(10440, 4920, 735, 300), "选择输出文件夹");
    cmdBrowse->setToolTip("Select an Output Folder");
    connect(cmdBrowse, &QPushButton::clicked, this, &frmPrinting::cmdBrowse_Click);
}

// The quality slider with its percentage and level word, and the build's button below it.
void frmPrinting::BuildQuality(QWidget* client) {
    lblJPG = NewLabel(client, "lblJPG", "图片压缩质量:", Twips(7710, 5370, 1200, 210));
    lblQuality = NewLabel(client, "lblQuality", "100%", Twips(8940, 5370, 900, 210));
    // The level word ends where the slider ends, whatever its length.
    lblQtt = NewLabel(client, "lblQtt", "好", Twips(10545, 5370, 600, 210));
    lblQtt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Slider1 = new QSlider(Qt::Horizontal, client);
    Slider1->setObjectName("Slider1");
    Slider1->setAccessibleName(QString::fromUtf8("图片压缩质量"));
    Slider1->setRange(0, 100);
    Slider1->setPageStep(10);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(10);
    Slider1->setValue(kFirstQuality);
    Slider1->setGeometry(Twips(7710, 5640, 3435, 525));
    lblJPG->setBuddy(Slider1);
    connect(Slider1, &QSlider::valueChanged, this, &frmPrinting::SliderChanged);
    // A click (a press on the handle or the groove) sets the percentage only.
    connect(Slider1, &QSlider::sliderPressed, this,
            [this] { lblQuality->setText(QString::number(Slider1->value()) + "%"); });

    Command3 = NewButton(client, "Command3", "立即转换JPG到PDF文件!", Twips(7710, 6270, 3465, 825),
                         "立即转换JPG到PDF文件");
    connect(Command3, &QPushButton::clicked, this, &frmPrinting::Command3_Click);
}

// Under the build's button, in the space the window leaves below it.
void frmPrinting::BuildRecognition(QWidget* client) {
    chkRecognize = new QCheckBox(QString::fromUtf8(kRecognizeCaption), client);
    chkRecognize->setObjectName("chkRecognize");
    chkRecognize->setAccessibleName(QString::fromUtf8(kRecognizeCaption));
    chkRecognize->setToolTip(QString::fromUtf8(kRecognizeTip));
    chkRecognize->setGeometry(Twips(7710, 7170, 3465, 300));
    connect(chkRecognize, &QCheckBox::clicked, this,
            [this](bool checked) { recognizeWanted_ = checked; });
}

// The recognizer and its language data take about a second to load, so the window does not
// wait for the answer; a build started before it comes meets the same reason page by page.
void frmPrinting::StartRecognizerCheck() {
    recognizerCheck_ = std::jthread([this] {
        const ocr::RecognitionResult check = ocr::GuardedRecognizer(recognizerProgram_).Check();
        QMetaObject::invokeMethod(
            this, [this, check] { RecognizerChecked(check); }, Qt::QueuedConnection);
    });
}

void frmPrinting::RecognizerChecked(const ocr::RecognitionResult& check) {
    if (check.error.empty()) return;
    chkRecognize->setChecked(false);
    chkRecognize->setEnabled(false);
    chkRecognize->setToolTip(Q(texts::kRecognitionUnavailable + check.error));
}

void frmPrinting::BuildProgress(QWidget* client) {
    lblPB = NewLabel(client, "lblPB", "0%", Twips(2550, 6480, 2355, 195));
    lblPB->setAlignment(Qt::AlignCenter);
    pb = NewProgressBar(client, Twips(120, 6750, 7305, 315));
    PicLoad = new QWidget(this);
    PicLoad->setObjectName("PicLoad");
    PicLoad->hide();
    // A small preview surface; the window never loads a picture into it, so its empty frame
    // is not shown.
    prewImage = new ShowImage(client);
    prewImage->setObjectName("prewImage");
    prewImage->setGeometry(Twips(4530, 7260, 1245, 225));
    prewImage->hide();
}

void frmPrinting::StartUp() {
    // The skin stays loaded for the program's life: it owns the look of every window.
    skin_ = windows::AttachSkin();
    if (skin_) {
        if (auto aero = skin_->Function<int (*)(intptr_t)>("SkinH_Aero"))
            aero(reinterpret_cast<intptr_t>(this));
        using Adjust = int (*)(int, int, int, int, int, int, int, int, int);
        if (auto adjust = skin_->Function<Adjust>("SkinH_Aero_Adjust"))
            adjust(220, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    dialogs_.Init(reinterpret_cast<intptr_t>(this));
    platform::SetOwnerWindow(reinterpret_cast<intptr_t>(this));
    setWindowTitle("Imbinder");
    picDoor->raise();
    platform::HideWhenFocusGoesUnder(picDoor);
    SliderChanged(Slider1->value());
    ReadSettings();
    StartRecognizerCheck();
    txtCreationDate->setText(Q(CurrentCreationDate()));
    SetTabOrder();
}

void frmPrinting::ReadSettings() {
    const std::string path = platform::SettingsFileToRead(kProgram, "setting.dll");
    if (!platform::PathExists(path) || platform::IsFolder(path)) return;
    const common::QuotedLines file = common::ReadQuotedLineFile(path);
    if (!file.error.empty()) return;
    const StoredSettings settings = ParseSettings(file.values);
    if (settings.title) txtTitle->setText(Q(*settings.title));
    if (settings.author) txtCreateFor->setText(Q(*settings.author));
    if (settings.subject) txtSubject->setText(Q(*settings.subject));
    if (settings.keywords) txtKeywords->setText(Q(*settings.keywords));
    if (settings.quality) Slider1->setValue(*settings.quality);
    recognizeWanted_ = settings.recognize;
    chkRecognize->setChecked(settings.recognize);
    platform::Yield();
}

void frmPrinting::SetTabOrder() {
    std::vector<QWidget*> order;
    for (int index : kToolbarScreenOrder) order.push_back(CmdToolsBar[index]);
    for (QWidget* control : std::initializer_list<QWidget*>{
             List1, txtTitle, txtCreateFor, txtCreationDate, Command1, txtSubject, txtKeywords,
             txtPath, cmdBrowse, Slider1, chkRecognize, Command3}) {
        order.push_back(control);
    }
    windows::ChainTabOrder(order);
}

// ---------------------------------------------------------------------------------------------
// The image list

void frmPrinting::CmdToolsBar_Click(int index) {
    // The list cannot change under a running build; Exit still ends the program.
    if (building_ && index != kExit) return;
    picDoor->hide();
    platform::Yield();
    switch (index) {
        case kAddFile:
            AddFile();
            break;
        case kAddFolder:
            AddFolder();
            break;
        case kRemoveFile:
            RemoveSelected();
            break;
        case kClearList:
            ClearList();
            break;
        case kMoveDown:
            MoveSelected(+1);
            break;
        case kExit:
            close();
            break;
        case kMoveUp:
            MoveSelected(-1);
            break;
        default:
            break;
    }
}

void frmPrinting::AddFile() {
    dialogs_.SetFilter(
        "JPG文件(*.jpg)|*.jpg|JPEG文件(*.jpeg)|*.jpeg|TIF文件(*.tif)|*.tif|TIFF文件(*.tiff)|*.tiff|"
        "BMP文件(*.BMP)|*.bmp|GIF文件(*.gif)|*.gif|PNG文件(*.png)|*.png|全部格式(*.*)|*.*");
    dialogs_.SetTitle("打开文件");
    const bool chosen = dialogs_.ShowOpen();
    repaint();
    picDoor->hide();
    platform::Yield();
    FocusSweep();
    if (!chosen) return;
    picText->hide();
    const std::string path = dialogs_.FileName();
    if (!path.empty()) List1->addItem(Q(path));
    dialogs_.SetFileName("");
}

void frmPrinting::AddFolder() {
    const auto folder = platform::GetDesktop().BrowseFolder("请选择文件夹:");
    picText->show();
    lblText->setText(QString::fromUtf8("搜索中..."));
    if (folder && !folder->empty()) {
        ListBoxResults results(List1);
        common::SearchImageFiles(*folder, results);
    }
    lblText->setText(QString::fromUtf8(kDropHint));
    picText->setVisible(List1->count() == 0);
    repaint();
    FocusSweep();
    picDoor->hide();
    platform::Yield();
}

void frmPrinting::RemoveSelected() {
    if (List1->count() == 0) return;
    const int selected = List1->currentRow();
    if (selected >= 0) {
        QSignalBlocker quiet(List1);  // removing is no selection change for the page label
        delete List1->takeItem(selected);
    }
    List1->setCurrentRow(-1);
    List1->clearSelection();
    if (List1->count() == 0) picText->show();
}

void frmPrinting::ClearList() {
    {
        QSignalBlocker quiet(List1);
        List1->clear();
    }
    picText->show();
}

void frmPrinting::MoveSelected(int step) {
    const int selected = List1->currentRow();
    const int other = selected + step;
    if (selected < 0 || other < 0 || other >= List1->count()) return;
    const QString text = List1->item(selected)->text();
    List1->item(selected)->setText(List1->item(other)->text());
    List1->item(other)->setText(text);
    List1->setCurrentRow(other);
}

void frmPrinting::SelectionChanged() {
    const int selected = List1->currentRow();
    if (selected < 0) return;
    lblPageNum->setText(QString::fromUtf8(kPageNumberText) + QString::number(selected + 1));
}

void frmPrinting::DropFiles(const std::vector<std::string>& paths, bool onDoor) {
    if (building_) return;
    if (onDoor) picDoor->hide();
    for (const std::string& path : paths) {
        if (common::IsImageName(path)) List1->addItem(Q(path));
    }
    if (List1->count() > 0) picText->hide();
}

void frmPrinting::OpenFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (platform::PathExists(path) && !platform::IsFolder(path)) files.push_back(path);
    }
    DropFiles(files, true);
}

void frmPrinting::FocusSweep() {
    for (QToolButton* button : CmdToolsBar) {
        if (button->isEnabled()) button->setFocus();
    }
}

// ---------------------------------------------------------------------------------------------
// The other commands

void frmPrinting::Command1_Click() { txtCreationDate->setText(Q(CurrentCreationDate())); }

void frmPrinting::cmdBrowse_Click() {
    const auto folder = platform::GetDesktop().BrowseFolder("请选择一个文件夹:");
    txtPath->setText(folder && !folder->empty() ? Q(*folder) : Q(CancelledBrowseFolder()));
    FocusSweep();
}

void frmPrinting::SliderChanged(int value) {
    lblQuality->setText(QString::number(value) + "%");
    lblQtt->setText(Q(QualityWord(value)));
}

void frmPrinting::VisitWebSite() { platform::GetDesktop().ShellOpen(ProductWebAddress()); }

void frmPrinting::MenuAbout() {
    platform::GetDesktop().ShowMessage(
        "Imbinder " + std::to_string(kProductYear) + "  图片合成PDF文档  " + ProductWebAddress(),
        "about", platform::MessageIcon::Information);
    FocusSweep();
}

void frmPrinting::closeEvent(QCloseEvent* event) {
    event->accept();
    if (unloading_) return;
    unloading_ = true;
    if (skin_) {
        if (auto detach = skin_->Function<int (*)()>("SkinH_Detach")) detach();
    }
    if (endProgram) endProgram();
}

bool frmPrinting::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int command = ListKeyCommand(key->key(), key->modifiers());
        if (command >= 0) {
            CmdToolsBar_Click(command);
            return true;
        }
    }
    const bool dropTarget = watched == picDoor || watched == picText ||
                            (List1 != nullptr && watched == List1->viewport());
    if (dropTarget &&
        platform::HandleFileDrop(*event, !building_, [&](const std::vector<std::string>& files) {
            DropFiles(files, watched == picDoor);
        })) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace imbinder
