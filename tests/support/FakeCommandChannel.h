// A command channel for tests: Send stands for a line another process sent over the socket.
#pragma once

#include <functional>
#include <string>

#include "platform/Platform.h"

namespace testing_support {

class FakeCommandChannel : public platform::CommandChannel {
  public:
    void SetReceiver(std::function<void(const std::string& line)> receiver) override {
        receiver_ = std::move(receiver);
    }
    // Delivers the line as the real channel does; false when no receiver is set yet.
    bool Send(const std::string& line) {
        if (!receiver_) return false;
        receiver_(line);
        return true;
    }

  private:
    std::function<void(const std::string& line)> receiver_;
};

}  // namespace testing_support
