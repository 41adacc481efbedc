#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/std_streams.h"

namespace resolaunch::testing {

// Standard handles as a test sets them up, and what was written where.
class FakeStdStreams : public StdStreams {
public:
    explicit FakeStdStreams(std::vector<std::wstring>* log = nullptr) : log_(log) {}

    StreamTarget TargetOf(StdStream stream) override { return targets[stream]; }
    void WriteBytes(StdStream stream, std::string_view data) override {
        bytes[stream] += data;
        Note(stream == StdStream::Output ? L"stdout" : L"stderr");
    }
    bool AttachParentConsole() override {
        ++attachCalls;
        return parentConsole;
    }
    void WriteToConsole(StdStream stream, std::wstring_view text) override {
        console[stream] += text;
        Note(stream == StdStream::Output ? L"console out" : L"console err");
    }
    void ShowMessageBox(const std::wstring& text, MessageKind kind) override {
        boxes.push_back(text);
        boxKinds.push_back(kind);
        Note(L"box");
    }

    std::map<StdStream, StreamTarget> targets{{StdStream::Output, StreamTarget::None},
                                              {StdStream::Error, StreamTarget::None}};
    bool parentConsole = false;
    int attachCalls = 0;
    std::map<StdStream, std::string> bytes;
    std::map<StdStream, std::wstring> console;
    std::vector<std::wstring> boxes;
    std::vector<MessageKind> boxKinds;

private:
    void Note(const wchar_t* what) {
        if (log_ != nullptr) {
            log_->push_back(what);
        }
    }

    std::vector<std::wstring>* log_;
};

}  // namespace resolaunch::testing
