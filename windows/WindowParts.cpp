#include "windows/WindowParts.h"

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <map>

#include "platform/Platform.h"
#include "platform/qt/Geometry.h"
#include "platform/qt/QtText.h"

namespace windows {

std::string GuideAddress(std::string_view part) {
    const std::string guide = platform::ToHostPath(platform::ProgramFolder() + "\\guide.html");
    QUrl address = QUrl::fromLocalFile(platform::Q(guide));
    if (!part.empty()) address.setFragment(platform::Q(std::string(part)));
    return platform::S(address.toString());
}

QWidget* NewClientArea(QMainWindow* window, const char* name, int widthTwips, int heightTwips) {
    window->setObjectName(name);
    window->setFont(platform::ProgramFont());
    auto* client = new QWidget(window);
    client->setObjectName("client");
    client->setFixedSize(platform::Px(widthTwips), platform::Px(heightTwips));
    window->setCentralWidget(client);
    return client;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, QRect geometry,
                       const char* spokenName) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setAccessibleName(QString::fromUtf8(spokenName != nullptr ? spokenName : caption));
    button->setGeometry(geometry);
    return button;
}

QProgressBar* NewProgressBar(QWidget* parent, QRect geometry) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName("pb");
    bar->setAccessibleName(QString::fromUtf8(texts::kProgressBarName));
    bar->setTextVisible(false);
    bar->setGeometry(geometry);
    return bar;
}

QToolButton* NewToolbarButton(QWidget* parent, int index, const char* caption,
                              const QString& picture, int leftTwips) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString("CmdToolsBar_%1").arg(index));
    button->setText(QString::fromUtf8(caption));
    button->setAccessibleName(QString::fromUtf8(caption));
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(platform::Twips(leftTwips, 0, 1420, 985));
    return button;
}

void BuildMenuBar(QMainWindow* window, const std::vector<MenuItem>& items) {
    std::map<std::string, QMenu*> menus;
    for (const MenuItem& item : items) {
        QMenu*& menu = menus[item.menu];
        if (menu == nullptr) {
            menu = window->menuBar()->addMenu(QString::fromUtf8(item.menu));
            if (*item.menuName != '\0') menu->setObjectName(item.menuName);
        }
        if (*item.name == '\0') {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(item.name);
        action->setShortcut(item.shortcut);
        QObject::connect(action, &QAction::triggered, window, item.command);
    }
}

void ChainTabOrder(const std::vector<QWidget*>& order) {
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void ListBoxResults::AddItem(const std::string& text) { list_->addItem(platform::Q(text)); }

std::unique_ptr<platform::Library> AttachSkin() {
    std::unique_ptr<platform::Library> skin = platform::Library::Load("SkinH.dll").library;
    if (skin) {
        if (auto attach = skin->Function<int (*)()>("SkinH_Attach")) attach();
    }
    return skin;
}

}  // namespace windows
