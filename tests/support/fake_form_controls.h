#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "window/form_controls.h"

namespace resolaunch::testing {

// The main window's controls as plain values, with a log of every change in
// order, so that tests can check what a handler did and in which order.
class FakeFormControls : public FormControls {
public:
    std::wstring Text(TextBox box) override { return texts[Slot(box)]; }
    void SetText(TextBox box, const std::wstring& text) override {
        texts[Slot(box)] = text;
        changes.push_back(L"Text" + std::to_wstring(Slot(box) + 1) + L"=" + text);
    }

    void AppendListEntries(const std::vector<std::wstring>& entries) override {
        ++appendCalls;
        list.insert(list.end(), entries.begin(), entries.end());
    }
    void ClearList() override {
        list.clear();
        changes.push_back(L"List1 cleared");
    }
    int32_t ListCount() override { return static_cast<int32_t>(list.size()); }
    int16_t ListIndex() override { return listIndex; }
    void SetListIndex(int16_t index) override {
        listIndex = index;
        changes.push_back(L"List1=" + std::to_wstring(index));
    }

    void SetDialogFileName(const std::wstring& name) override {
        dialogFileName = name;
        changes.push_back(L"CommonDialog1=" + name);
    }

    std::optional<std::wstring> ShowOpenDialog() override {
        changes.push_back(L"dialog opens on " + dialogFileName);
        if (dialogChoice) {
            dialogFileName = *dialogChoice;
        }
        return dialogChoice;
    }

    WindowHandle FormWindow() override { return formWindow; }
    void HideForm() override {
        visible = false;
        changes.push_back(L"hide");
    }
    void ShowForm() override {
        visible = true;
        changes.push_back(L"show");
    }
    // Runs what was queued (once), as the pass over pending messages would.
    void EnableInput(bool enabled) override { inputEnabled = enabled; }
    void ProcessPendingMessages() override {
        changes.push_back(L"pending");
        if (queued) {
            std::exchange(queued, nullptr)();
        }
    }
    void EndProgram() override {
        ended = true;
        changes.push_back(L"end");
    }
    bool Ended() override { return ended; }

    void SetMenuItemChecked(uint32_t command, bool checked) override {
        menuChecks[command] = checked;
        changes.push_back(L"menu " + std::to_wstring(command) + (checked ? L" checked" : L" unchecked"));
    }

    // Initial texts of a first start.
    std::wstring texts[3] = {L"Text1", L"0", L"0"};
    std::vector<std::wstring> list;
    int16_t listIndex = -1;
    std::wstring dialogFileName;
    std::optional<std::wstring> dialogChoice;  // what the user picks; nothing cancels
    std::function<void()> queued;              // a click waiting in the queue
    int appendCalls = 0;
    WindowHandle formWindow = 0x1000;
    bool visible = true;
    bool inputEnabled = true;
    bool ended = false;
    std::map<uint32_t, bool> menuChecks;
    // Every change and window action, in order; fakes of other services may log here too.
    std::vector<std::wstring> changes;

private:
    static int Slot(TextBox box) { return static_cast<int>(box); }
};

class FakeUserMessages : public UserMessages {
public:
    FakeUserMessages() = default;
    explicit FakeUserMessages(std::vector<std::wstring>& log) : log_(&log) {}

    void ShowMessage(const std::wstring& text) override {
        shown.push_back(text);
        if (log_ != nullptr) {
            log_->push_back(L"message");
        }
        if (whileShown) {
            std::exchange(whileShown, nullptr)();
            if (log_ != nullptr) {
                log_->push_back(L"message closed");
            }
        }
    }
    std::vector<std::wstring> shown;
    // What happens, once, while the next box is open; its closing is logged then.
    std::function<void()> whileShown;

private:
    std::vector<std::wstring>* log_ = nullptr;
};

}  // namespace resolaunch::testing
