// pagelift: PDF documents in, one folder of page images per document out.
#include <QApplication>
#include <cstdlib>

#include "pagelift/frmConverter.h"
#include "platform/Platform.h"
#include "platform/qt/Windows.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The dock and the task switcher show the desktop entry's icon; the window has none.
    QGuiApplication::setDesktopFileName("org.example.pagelift");
    const std::vector<std::string> files = platform::CommandLinePaths(argc, argv);
    // One instance at a time: a second start hands its files to the first and ends before any
    // window.
    const std::string socket = platform::CommandSocketPath("pagelift");
    platform::ClaimedChannel channel = platform::ClaimCommandChannel(socket);
    if (channel.claim == platform::ChannelClaim::OtherInstanceRunning) {
        std::vector<std::string> addresses;
        for (const std::string& file : files) addresses.push_back(platform::FileAddress(file));
        if (!addresses.empty()) platform::SendCommandLines(socket, addresses);
        return 0;
    }

    pagelift::frmConverter window(pagelift::NewQuirelEngine(), channel.channel.get());
    // Exit ends the program at once, also from inside a run, while the engine's workers are
    // still busy: the settings are written by then, and nothing else needs tearing down.
    window.endProgram = [&channel] {
        channel.channel.reset();  // the socket goes with the program
        std::_Exit(0);
    };
    window.show();
    if (!files.empty()) window.OpenFiles(files);
    return app.exec();
}
