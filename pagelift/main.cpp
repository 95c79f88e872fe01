// pagelift: PDF documents in, one folder of page images per document out.
#include <QApplication>
#include <cstdlib>

#include "pagelift/frmConverter.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // One instance at a time: a second start hands nothing over and ends before any window.
    platform::ClaimedChannel channel =
        platform::ClaimCommandChannel(platform::CommandSocketPath("pagelift"));
    if (channel.claim == platform::ChannelClaim::OtherInstanceRunning) return 0;

    pagelift::frmConverter window(pagelift::NewQuirelEngine(), channel.channel.get());
    // Exit ends the program at once, also from inside a run, while the engine's workers are
    // still busy: the settings are written by then, and nothing else needs tearing down.
    window.endProgram = [&channel] {
        channel.channel.reset();  // the socket goes with the program
        std::_Exit(0);
    };
    window.show();
    return app.exec();
}
