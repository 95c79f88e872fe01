#include "pagelift/frmConverter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <initializer_list>
#include <optional>

#include "common/FileSearch.h"
#include "common/QuotedLineFile.h"
#include "common/WorkingFolders.h"
#include "pagelift/Settings.h"
#include "pagelift/Shared.h"
#include "pagelift/Texts.h"
#include "platform/Platform.h"
#include "platform/qt/Geometry.h"
#include "platform/qt/QtText.h"
#include "platform/qt/Windows.h"
#include "windows/WindowParts.h"

namespace pagelift {

using namespace platform::window_helpers;
using namespace windows;
namespace {

constexpr const char* kDefaultOutputFolder = "C:\\output";
constexpr const char* kDropHint = "拖拽PDF文件到这里";
constexpr const char* kFolderTitle = "请选择一个文件夹:";

struct ToolbarButton {
    const char* caption;
    int left;  // twips
};
// By index; on screen the clear-list button (6) stands between delete (2) and start (3).
constexpr ToolbarButton kToolbar[7] = {{"添加文件", 0},    {"添加文件夹", 1410}, {"删除文件", 2820},
                                       {"开始转换", 5640}, {"访问网站", 7050},   {"退出程序", 9360},
                                       {"清空列表", 4230}};
constexpr int kToolbarScreenOrder[7] = {0, 1, 2, 6, 3, 4, 5};

constexpr const char* kProgram = "pagelift";
const char* const kFormatNames[5] = {"JPEG", "BMP", "GIF", "PNG", "TIF"};

QWidget* NewHiddenImage(QWidget* parent, const QString& name) {
    auto* image = new QWidget(parent);
    image->setObjectName(name);
    image->hide();
    return image;
}

// Only while this program holds the working folders' lock itself: a running build's files stay.
void DeleteStaleScratchFiles(std::initializer_list<const char*> files) {
    const platform::LockAttempt attempt = platform::TryLockFile(common::kWorkingFoldersLock);
    if (attempt.claim != platform::LockClaim::Taken) return;
    for (const char* file : files) platform::DeleteFile(file);
}

}  // namespace

std::string ProductWebAddress() { return windows::GuideAddress(); }

frmConverter::frmConverter(std::unique_ptr<PageEngine> engine, platform::CommandChannel* commands)
    : engine_(std::move(engine)) {
    QWidget* client = NewClientArea(this, "frmConverter", 10800, 7335);
    client->setMouseTracking(true);

    BuildMenus();
    BuildToolbar(client);
    BuildJobList(client);
    BuildOptions(client);
    BuildProgress(client);
    client->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmConverter::Timer1_Timer);

    txtAction = new QLineEdit(this);
    txtAction->setObjectName("txtAction");
    txtAction->setAccessibleName(QString::fromUtf8("命令框"));
    txtAction->hide();
    connect(txtAction, &QLineEdit::textChanged, this, &frmConverter::CommandBoxChanged);
    if (commands != nullptr) {
        // A later start hands its files over as "file:" addresses, which no command word is.
        commands->SetReceiver([this](const std::string& line) {
            if (const std::optional<std::string> path = platform::FileOfAddress(line)) {
                OpenFiles({*path});
                raise();
                activateWindow();
            } else {
                txtAction->setText(Q(line));
            }
        });
    }
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    StartUp();
}

frmConverter::~frmConverter() { platform::SetOwnerWindow(0); }

void frmConverter::BuildMenus() {
    const auto toolbar = [this](int index) { return [this, index] { CmdToolsBar_Click(index); }; };
    windows::BuildMenuBar(
        this,
        {
            {"", "文件", "menuAddaFile", "添加文件", toolbar(0), QKeySequence::Open},
            {"", "文件", "menuAddaFolder", "添加文件夹", toolbar(1), QKeySequence("Ctrl+Shift+O")},
            {"", "文件", "", "", {}, {}},
            {"", "文件", "menuExit", "退出", toolbar(5), QKeySequence("Ctrl+Q")},
            {"", "删除", "menuRemoveSelected", "删除所选的文件", toolbar(2), {}},
            {"", "删除", "menuRemoveAll", "删除所有文件", toolbar(6), {}},
            {"", "工具", "menuConvert", "开始转换", toolbar(3), QKeySequence("F5")},
            {"", "关于", "menuHelp", "网站", toolbar(4), QKeySequence::HelpContents},
            {"", "关于", "menuAbout", "关于", [this] { MenuAbout(); }, {}},
        });
}

void frmConverter::BuildToolbar(QWidget* client) {
    for (int index = 0; index < 7; ++index) {
        QToolButton* button = windows::NewToolbarButton(
            client, index, kToolbar[index].caption, QString(":/pagelift/toolbar_%1.png").arg(index),
            kToolbar[index].left);
        button->setToolTip(button->text());
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, index] { CmdToolsBar_Click(index); });
        CmdToolsBar[index] = button;
    }
    lblButton = new QLabel(client);
    lblButton->setObjectName("lblButton");
    lblButton->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblButton->setGeometry(Twips(7350, 1020, 3315, 240));
}

void frmConverter::BuildJobList(QWidget* client) {
    LV = new QTreeWidget(client);
    LV->setObjectName("LV");
    LV->setAccessibleName(QString::fromUtf8("PDF文件列表"));
    LV->setHeaderLabels({"FileName", "Format"});
    LV->setRootIsDecorated(false);
    LV->setGeometry(Twips(210, 1290, 6825, 4755));
    LV->header()->setStretchLastSection(false);
    LV->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    LV->header()->resizeSection(1, Px(900));
    LV->viewport()->setAcceptDrops(true);
    LV->viewport()->installEventFilter(this);
    auto* removeKey = new QShortcut(QKeySequence::Delete, LV, nullptr, nullptr, Qt::WidgetShortcut);
    connect(removeKey, &QShortcut::activated, this, [this] { CmdToolsBar_Click(2); });

    picText = new QWidget(client);
    picText->setObjectName("picText");
    picText->setGeometry(Twips(2340, 3450, 2445, 315));
    lblText = new QLabel(QString::fromUtf8(kDropHint), picText);
    lblText->setObjectName("lblText");
    lblText->setAlignment(Qt::AlignCenter);
    lblText->setGeometry(0, 0, picText->width(), picText->height());

    auto* door = new QLabel(client);
    door->setObjectName("picDoor");
    door->setAccessibleName(QString::fromUtf8("开始使用"));
    door->setPixmap(QPixmap(":/pagelift/door.png"));
    door->setAcceptDrops(true);
    door->installEventFilter(this);
    picDoor = door;
    for (int index = 0; index < 5; ++index) {
        auto* picture = new QToolButton(picDoor);
        picture->setObjectName(QString("ImgFormat_%1").arg(index));
        picture->setAccessibleName(QString::fromUtf8(kFormatNames[index]));
        picture->setToolTip(QString::fromUtf8(kFormatNames[index]));
        picture->setIcon(QIcon(QString(":/pagelift/format_%1.png").arg(index)));
        picture->setIconSize(QSize(72, 64));
        picture->setAutoRaise(true);
        picture->setGeometry(23 + index * 88, 256, 76, 68);
        connect(picture, &QToolButton::clicked, this, [this, index] { ImgFormat_Click(index); });
        ImgFormat[index] = picture;
    }

    lstFile = new QListWidget(this);
    lstFile->setObjectName("lstFile");
    lstFile->setAccessibleName(QString::fromUtf8("PDF文件路径"));
    lstFile->hide();
    lstAddFolder = new QListWidget(this);
    lstAddFolder->setObjectName("lstAddFolder");
    lstAddFolder->setAccessibleName(QString::fromUtf8("文件夹搜索结果"));
    lstAddFolder->hide();
}

void frmConverter::BuildOptions(QWidget* client) {
    Label1 = NewLabel(client, "Label1", "输出图片格式:", Twips(7350, 1290, 1140, 210));
    cmbOF = new QComboBox(client);
    cmbOF->setObjectName("cmbOF");
    cmbOF->setAccessibleName(QString::fromUtf8("输出图片格式"));
    cmbOF->setGeometry(Twips(7320, 1590, 3345, 330));
    for (const OutputFormat& format : kOutputFormats)
        cmbOF->addItem(QString::fromUtf8(format.listText));
    cmbOF->setCurrentIndex(-1);
    connect(cmbOF, &QComboBox::currentIndexChanged, this, &frmConverter::FormatChanged);
    Label1->setBuddy(cmbOF);

    Label2 = NewLabel(client, "Label2", "设置:", Twips(7320, 2130, 420, 210));
    LV2 = new QTreeWidget(client);
    LV2->setObjectName("LV2");
    LV2->setAccessibleName(QString::fromUtf8("设置"));
    LV2->setHeaderLabels({"Option", "Value"});
    LV2->setRootIsDecorated(false);
    LV2->setGeometry(Twips(7320, 2430, 3315, 2400));
    LV2->header()->resizeSection(0, Px(9340 - 7320));
    LV2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(LV2, &QTreeWidget::itemClicked, this, &frmConverter::OpenValueEditor);
    connect(LV2, &QTreeWidget::itemActivated, this, [this] {
        OpenValueEditor();
        txtValue->setFocus();
        txtValue->selectAll();
    });

    txtValue = new QLineEdit(client);
    txtValue->setObjectName("txtValue");
    txtValue->setAccessibleName(QString::fromUtf8("选项值"));
    txtValue->setGeometry(0, 0, Px(1305), Px(255));
    txtValue->hide();
    txtValue->installEventFilter(this);
    connect(txtValue, &QLineEdit::textChanged, this, &frmConverter::ValueEdited);

    Label3 = NewLabel(client, "Label3", "输出路径:", Twips(7320, 4980, 780, 210));
    txtPath = new QLineEdit(client);
    txtPath->setObjectName("txtPath");
    txtPath->setAccessibleName(QString::fromUtf8("输出路径"));
    txtPath->setGeometry(Twips(7320, 5280, 2415, 315));
    Label3->setBuddy(txtPath);
    cmdBrowse = NewButton(client, "cmdBrowse", "浏览", Twips(9840, 5280, 765, 330));
    connect(cmdBrowse, &QPushButton::clicked, this, &frmConverter::cmdBrowse_Click);

    cmdConvert = NewButton(client, "cmdConvert", "立刻开始转换", Twips(7320, 5820, 3285, 915));
    connect(cmdConvert, &QPushButton::clicked, this, &frmConverter::cmdConvert_Click);
}

void frmConverter::BuildProgress(QWidget* client) {
    lblPB = NewLabel(client, "lblPB", "0%", Twips(2370, 6150, 2355, 195));
    lblPB->setAlignment(Qt::AlignCenter);
    pb = NewProgressBar(client, Twips(210, 6390, 6825, 315));
    imgPB = new QLabel(client);
    imgPB->setObjectName("imgPB");
    imgPB->setGeometry(pb->geometry().adjusted(1, 1, -1, -1));

    lblWeb = new QLabel(client);
    lblWeb->setObjectName("lblWeb");
    lblWeb->setGeometry(Twips(210, 6960, 2010, 195));
    // One stop of the Tab key, opened with Enter or Space, framed while it has the focus.
    lblWeb->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    lblWeb->setFocusPolicy(Qt::TabFocus);
    lblWeb->installEventFilter(this);
    connect(lblWeb, &QLabel::linkActivated, this, &frmConverter::lblWeb_Click);

    imgConvert = NewHiddenImage(this, "imgConvert");
    imgAdd = NewHiddenImage(this, "imgAdd");
    imgRemove = NewHiddenImage(this, "imgRemove");
    imgStart = NewHiddenImage(this, "imgStart");
    imgBrowse = NewHiddenImage(this, "imgBrowse");
    for (int index = 0; index < 7; ++index) {
        imgToolbar[index] = NewHiddenImage(this, QString("imgToolbar_%1").arg(index));
    }
}

void frmConverter::StartUp() {
    setWindowIcon(QIcon());
    // The skin stays loaded for the program's life: it owns the look of every window.
    skin_ = windows::AttachSkin();
    picDoor->setGeometry(Twips(90, 1110, 6990, 5070));
    picDoor->raise();
    platform::HideWhenFocusGoesUnder(picDoor);
    dialogs_.Init(reinterpret_cast<intptr_t>(this));
    platform::SetOwnerWindow(reinterpret_cast<intptr_t>(this));
    setWindowTitle("Pagelift");
    // The guide's address is a long file name: the label says what it opens.
    QString address = Q(ProductWebAddress());
    lblWeb->setText(QString("<a href=\"%1\" style=\"color: rgb(43, 82, 140);\">%2</a>")
                        .arg(address.toHtmlEscaped(), QString::fromUtf8(texts::kGuideCaption)));
    lblWeb->setToolTip(address);
    lblWeb->setAccessibleName(QString::fromUtf8(texts::kGuideCaption));
    platform::Yield();
    DeleteStaleScratchFiles({"c:\\tmp\\tmp.pdf", "c:\\tmp\\tmp1.pdf"});
    SetFill(0);
    pb->setRange(0, 100);
    pb->setValue(0);
    txtValue->move(Px(9340), txtValue->y());
    cmbOF->setCurrentIndex(0);
    lblButton->setStyleSheet("color: rgb(48, 132, 207);");
    lblWeb->setStyleSheet(
        "QLabel { color: rgb(43, 82, 140); }"
        "QLabel:focus { border: 1px dotted rgb(43, 82, 140); }");
    txtPath->setText(kDefaultOutputFolder);
    ReadSettings();
    if (txtPath->text().isEmpty()) txtPath->setText(kDefaultOutputFolder);
    std::string options = platform::SettingsFileToRead(kProgram, "options.ini");
    SoundOff = 0;
    if (platform::PathExists(options)) {
        SoundOff = ParseSoundOff(common::ReadQuotedLineFile(options).values);
    }

    SetTabOrder();
}

// The toolbar in the order it shows, then the controls from the welcome panel's format
// pictures to the guide's link.
void frmConverter::SetTabOrder() {
    std::vector<QWidget*> order;
    for (int index : kToolbarScreenOrder) order.push_back(CmdToolsBar[index]);
    order.insert(order.end(), ImgFormat.begin(), ImgFormat.end());
    for (QWidget* control : std::initializer_list<QWidget*>{LV, cmbOF, LV2, txtValue, txtPath,
                                                            cmdBrowse, cmdConvert, lblWeb}) {
        order.push_back(control);
    }
    windows::ChainTabOrder(order);
}

void frmConverter::ReadSettings() {
    std::string path = platform::SettingsFileToRead(kProgram, "setup.ini");
    if (!platform::PathExists(path)) return;
    const common::QuotedLines file = common::ReadQuotedLineFile(path);
    if (!file.error.empty()) return;
    StoredSetup setup = ParseSetup(file.values);
    if (setup.outputFolder) txtPath->setText(Q(*setup.outputFolder));
    if (setup.formatIndex) cmbOF->setCurrentIndex(*setup.formatIndex);
}

void frmConverter::WriteSettings() {
    common::WriteQuotedLineFile(platform::SettingsFileToWrite(kProgram, "setup.ini"),
                                SetupValues(S(txtPath->text()), cmbOF->currentIndex()));
}

// ---------------------------------------------------------------------------------------------
// The job list

void frmConverter::AppendJob(const std::string& path, const std::string& format) {
    int id = nextJobId_++;
    auto* entry = new QListWidgetItem(Q(path));
    entry->setData(Qt::UserRole, id);
    lstFile->addItem(entry);
    auto* row = new QTreeWidgetItem(QStringList{Q(path), Q(format)});
    row->setData(0, Qt::UserRole, id);
    LV->addTopLevelItem(row);
}

std::optional<frmConverter::Job> frmConverter::FirstJob() const {
    if (lstFile->count() == 0) return std::nullopt;
    QListWidgetItem* entry = lstFile->item(0);
    return Job{S(entry->text()), entry->data(Qt::UserRole).toInt()};
}

void frmConverter::RemoveJobAt(int index) {
    delete LV->takeTopLevelItem(index);
    delete lstFile->takeItem(index);
}

void frmConverter::RemoveJob(int id) {
    for (int index = 0; index < lstFile->count(); ++index) {
        if (lstFile->item(index)->data(Qt::UserRole).toInt() == id) {
            RemoveJobAt(index);
            return;
        }
    }
}

void frmConverter::ShowHint(const QString& text, bool visible) {
    lblText->setText(text);
    picText->setVisible(visible);
}

void frmConverter::AddFile() {
    dialogs_.SetTitle("打开文件");
    dialogs_.SetFilter("PDF格式文件(*.pdf)|*.pdf");
    bool confirmed = dialogs_.ShowOpen();
    repaint();
    FocusSweep(5);
    std::string path = dialogs_.FileName();
    if (confirmed && !path.empty()) AppendJob(path, FormatColumn(platform::TrimmedText(path)));
    if (confirmed && LV->topLevelItemCount() > 0) picText->hide();
}

void frmConverter::AddFolder() {
    auto folder = platform::GetDesktop().BrowseFolder(kFolderTitle);
    ShowHint(QString::fromUtf8("搜索文件..."), true);
    if (folder && !folder->empty()) AddFolderPdfs(*folder);
    ShowHint(QString::fromUtf8(kDropHint), LV->topLevelItemCount() == 0);
    repaint();
    FocusSweep(6);
}

void frmConverter::AddFolderPdfs(const std::string& folder) {
    ListBoxResults results(lstAddFolder);
    common::SearchPdfFiles(folder, results);
    for (int index = 0; index < lstAddFolder->count(); ++index) {
        std::string path = S(lstAddFolder->item(index)->text());
        if (EndsInPdf(path)) AppendJob(path, FormatColumn(platform::TrimmedText(path)));
    }
    lstAddFolder->clear();
}

void frmConverter::DropFiles(const std::vector<std::string>& paths, bool onDoor) {
    for (const std::string& path : paths) {
        if (EndsInPdf(path)) AppendJob(path, FormatColumn(path));
    }
    ShowTakenFiles(onDoor);
}

void frmConverter::ShowTakenFiles(bool onDoor) {
    if (lstFile->count() > 0) {
        platform::Yield();
        picText->hide();
    }
    if (onDoor) picDoor->hide();
}

void frmConverter::OpenFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (platform::IsFolder(path)) {
            AddFolderPdfs(path);
        } else if (platform::PathExists(path) && EndsInPdf(path)) {
            AppendJob(path, FormatColumn(path));
        }
    }
    ShowTakenFiles(true);
}

void frmConverter::RemoveSelected() {
    QList<QTreeWidgetItem*> selected = LV->selectedItems();
    if (selected.isEmpty()) return;
    RemoveJobAt(LV->indexOfTopLevelItem(selected.first()));
}

void frmConverter::RemoveSelectedHidden() {
    if (LV->topLevelItemCount() > 0) RemoveSelected();
    if (LV->topLevelItemCount() == 0) ShowHint("Drag & Drop Files Here", true);
    lstAddFolder->clear();
}

void frmConverter::ClearList() {
    for (int rows = LV->topLevelItemCount(); rows > 0; --rows) delete LV->takeTopLevelItem(0);
    lstFile->clear();
}

// ---------------------------------------------------------------------------------------------
// Commands

void frmConverter::CmdToolsBar_Click(int index) {
    switch (index) {
        case 0:
            AddFile();
            break;
        case 1:
            AddFolder();
            break;
        case 2:
            RemoveSelected();
            break;
        case 3:
            imgStart_Click();
            break;
        case 4:
            VisitWebSite();
            break;
        case 5:
            Exit();
            break;
        case 6:
            ClearList();
            break;
        default:
            return;
    }
    ToolbarTail();
}

void frmConverter::ToolbarTail() {
    picDoor->hide();
    platform::Yield();
    repaint();
}

void frmConverter::ImgFormat_Click(int index) {
    cmbOF->setCurrentIndex(index);
    platform::Yield();
    CmdToolsBar_Click(0);
}

void frmConverter::FocusSweep(int lastButton) {
    for (int index = 0; index <= lastButton; ++index) {
        if (CmdToolsBar[index]->isEnabled()) CmdToolsBar[index]->setFocus();
    }
}

void frmConverter::cmdBrowse_Click() {
    auto folder = platform::GetDesktop().BrowseFolder(kFolderTitle);
    txtPath->setText(folder && !folder->empty() ? Q(*folder) : QString(kDefaultOutputFolder));
    repaint();
    FocusSweep(5);
}

void frmConverter::cmdConvert_Click() {
    if (QTreeWidgetItem* row = LV2->topLevelItem(kResolutionRow - 1)) {
        row->setText(1, Q(CheckedResolution(S(row->text(1)))));
    }
    imgStart_Click();
}

void frmConverter::VisitWebSite() { platform::GetDesktop().ShellOpen(ProductWebAddress()); }

void frmConverter::lblWeb_Click() { VisitWebSite(); }

void frmConverter::MenuAbout() {
    platform::GetDesktop().ShowMessage(
        "Pagelift  " + ProductWebAddress() + "  " + std::to_string(kProductYear), "关于",
        platform::MessageIcon::Information);
}

void frmConverter::CommandBoxAbout() {
    std::string year = std::to_string(kProductYear);
    platform::GetDesktop().ShowMessage("Pagelift " + year + "\n版权所有 (C) " + year +
                                           " Pagelift 开发组。保留所有权利。\n" +
                                           ProductWebAddress(),
                                       "关于", platform::MessageIcon::Information);
}

void frmConverter::CommandBoxChanged(const QString& text) {
    struct CommandWord {
        const char* word;
        void (frmConverter::*command)();
    };
    // "menuOption" asks for a settings window this program does not have: it is ignored.
    static constexpr CommandWord kWords[] = {
        {"RemoveSelected", &frmConverter::RemoveSelectedHidden},
        {"A", &frmConverter::CommandBoxAbout},
        {"AddaFile", &frmConverter::AddFile},
        {"menuAddaFolder", &frmConverter::AddFolder},
        {"menuExit", &frmConverter::Exit},
        {"menuHelp", &frmConverter::VisitWebSite},
        {"menuConvert", &frmConverter::imgStart_Click},
    };
    if (text.isEmpty()) return;
    for (const CommandWord& word : kWords) {
        if (text == QLatin1String(word.word)) (this->*word.command)();
    }
    txtAction->clear();
}

// The files are imbinder's chain files too: they go only while no build holds the folders.
void frmConverter::Exit() {
    if (exiting_) return;
    exiting_ = true;
    WriteSettings();
    close();
    if (endProgram) endProgram();
}

void frmConverter::closeEvent(QCloseEvent* event) {
    if (!unloading_) {
        unloading_ = true;
        DeleteStaleScratchFiles({"c:\\tmp\\tmp1.pdf", "c:\\tmp\\tmp2.pdf"});
        Exit();
    }
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Options

void frmConverter::FormatChanged() {
    txtValue->hide();
    if (!FormatAt(cmbOF->currentIndex())) return;
    LV2->clear();
    for (const OptionDefault& option : kOptionRows) {
        LV2->addTopLevelItem(new QTreeWidgetItem(
            QStringList{QString::fromUtf8(option.caption), QString::fromUtf8(option.value)}));
    }
}

void frmConverter::OpenValueEditor() {
    txtValue->show();
    txtValue->raise();
    QTreeWidgetItem* row = LV2->currentItem();
    if (row == nullptr) return;
    int rowTop = LV2->viewport()->geometry().top() + LV2->visualItemRect(row).top();
    txtValue->move(txtValue->x(), LV2->y() + rowTop - Px(10));
    txtValue->setAccessibleName(row->text(0));
    txtValue->setText(row->text(1));
}

void frmConverter::ValueEdited(const QString& text) {
    QTreeWidgetItem* row = LV2->currentItem();
    if (row == nullptr) return;
    int rowNumber = LV2->indexOfTopLevelItem(row) + 1;
    row->setText(1, Q(CheckedOptionValue(rowNumber, S(text))));
}

std::string frmConverter::OptionValue(int row) const {
    QTreeWidgetItem* item = LV2->topLevelItem(row - 1);
    return item != nullptr ? S(item->text(1)) : std::string();
}

// ---------------------------------------------------------------------------------------------
// Events: hover caption, clicks on the window, drops, the value editor's keys

bool frmConverter::eventFilter(QObject* watched, QEvent* event) {
    QWidget* client = centralWidget();
    if (event->type() == QEvent::Enter) {
        for (QToolButton* button : CmdToolsBar) {
            if (watched == button) lblButton->setText("[ " + button->toolTip() + " ]");
        }
    } else if (watched == client && event->type() == QEvent::MouseMove) {
        lblButton->clear();
    } else if (watched == client && event->type() == QEvent::MouseButtonPress) {
        txtValue->hide();
    } else if (watched == lblWeb && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            lblWeb_Click();
            return true;
        }
    } else if (watched == txtValue && event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            txtValue->hide();
            LV2->setFocus();
            return true;
        }
    } else if (watched == picDoor || (LV != nullptr && watched == LV->viewport())) {
        if (platform::HandleFileDrop(*event, true, [&](const std::vector<std::string>& files) {
                DropFiles(files, watched == picDoor);
            })) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pagelift
