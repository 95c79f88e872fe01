// The command channel on Qt: a local server over the socket claimed for this user, cutting what
// its clients send into lines.
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <deque>
#include <memory>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"

namespace platform {
namespace {

// A longer line is no command: it is dropped whole rather than cut into pieces. The longest
// host path, as a "file:" address with every byte escaped, fits.
constexpr size_t kLongestLine = 16384;

// Cuts one client's bytes into lines: "\n" ends a line, a "\r" before it is dropped, empty
// lines are skipped.
class LineCutter {
  public:
    void Add(const QByteArray& bytes, std::deque<std::string>& lines) {
        for (char c : bytes) {
            if (c == '\n') {
                End(lines);
            } else if (!overlong_) {
                partial_ += c;
                // One byte of room for a "\r" that the line end drops.
                if (partial_.size() > kLongestLine + 1) {
                    overlong_ = true;
                    partial_.clear();
                }
            }
        }
    }

    // The line in progress ends (at "\n", or when the client goes).
    void End(std::deque<std::string>& lines) {
        if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
        if (!overlong_ && !partial_.empty() && partial_.size() <= kLongestLine) {
            lines.push_back(std::move(partial_));
        }
        partial_.clear();
        overlong_ = false;
    }

  private:
    std::string partial_;
    bool overlong_ = false;
};

class LocalCommandChannel : public CommandChannel {
  public:
    LocalCommandChannel(std::string path, const SocketClaim& claim)
        : path_(std::move(path)), device_(claim.device), inode_(claim.inode) {
        server_.listen(claim.listeningSocket);
        QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Accept(); });
    }

    ~LocalCommandChannel() override {
        for (QLocalSocket* client : server_.findChildren<QLocalSocket*>()) {
            QObject::disconnect(client, nullptr, nullptr, nullptr);
            delete client;
        }
        server_.close();
        ReleaseSocketPath(path_, device_, inode_);
    }

    void SetReceiver(std::function<void(const std::string& line)> receiver) override {
        receiver_ = std::move(receiver);
        ScheduleDelivery();
    }

  private:
    void Accept() {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            auto cutter = std::make_shared<LineCutter>();
            QObject::connect(client, &QLocalSocket::readyRead, &server_, [this, client, cutter] {
                cutter->Add(client->readAll(), pending_);
                ScheduleDelivery();
            });
            // What is left when the client goes counts as its last line.
            QObject::connect(client, &QLocalSocket::disconnected, &server_, [this, client, cutter] {
                cutter->Add(client->readAll(), pending_);
                cutter->End(pending_);
                ScheduleDelivery();
                client->deleteLater();
            });
            if (client->state() != QLocalSocket::ConnectedState) {
                cutter->Add(client->readAll(), pending_);
                cutter->End(pending_);
                ScheduleDelivery();
                client->deleteLater();
            }
        }
    }

    // The receiver runs from the event loop, never inside a socket's signal, so it may yield
    // or show a modal window; lines that arrive meanwhile are delivered from that inner loop,
    // still in the order they came.
    void ScheduleDelivery() {
        if (pending_.empty() || !receiver_) return;
        QMetaObject::invokeMethod(
            &server_, [this] { Deliver(); }, Qt::QueuedConnection);
    }

    void Deliver() {
        std::weak_ptr<bool> alive = alive_;
        while (!pending_.empty() && receiver_) {
            std::string line = std::move(pending_.front());
            pending_.pop_front();
            auto receiver = receiver_;  // the receiver may replace itself or end the channel
            receiver(line);
            if (alive.expired()) return;
        }
    }

    QLocalServer server_;
    std::string path_;
    uint64_t device_;
    uint64_t inode_;
    std::function<void(const std::string& line)> receiver_;
    std::deque<std::string> pending_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

ClaimedChannel ClaimCommandChannel(const std::string& hostSocketPath) {
    SocketClaim claim = ClaimSocketPath(hostSocketPath);
    ClaimedChannel claimed;
    claimed.claim = claim.claim;
    if (claim.claim == ChannelClaim::Owned) {
        claimed.channel = std::make_unique<LocalCommandChannel>(hostSocketPath, claim);
    }
    return claimed;
}

}  // namespace platform
