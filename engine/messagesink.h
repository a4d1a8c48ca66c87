#pragma once
// How the core tells the user something. The desktop shell shows each message in a modal box
// (exclamation icon, OK only, captioned with the application title); the command-line program
// prints it; tests record it.

#include <string>
#include <vector>

namespace varo {

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void ShowMessage(const std::u16string& text) = 0;
};

/// Keeps every message, for tests and for callers that report later.
class RecordingMessageSink : public IMessageSink {
public:
    void ShowMessage(const std::u16string& text) override { messages.push_back(text); }
    std::vector<std::u16string> messages;
};

}  // namespace varo
