#include "windows/WindowParts.h"

#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QUrl>

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

QLabel* NewLabel(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
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

void ListBoxResults::AddItem(const std::string& text) { list_->addItem(platform::Q(text)); }

std::unique_ptr<platform::Library> AttachSkin() {
    std::unique_ptr<platform::Library> skin = platform::Library::Load("SkinH.dll");
    if (skin) {
        if (auto attach = skin->Function<int (*)()>("SkinH_Attach")) attach();
    }
    return skin;
}

}  // namespace windows
