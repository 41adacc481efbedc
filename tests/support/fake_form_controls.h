#pragma once

#include <string>
#include <vector>

#include "window/form_controls.h"

namespace resolaunch::testing {

class FakeFormControls : public FormControls {
public:
    void AppendListEntries(const std::vector<std::wstring>& entries) override {
        ++appendCalls;
        list.insert(list.end(), entries.begin(), entries.end());
    }

    std::vector<std::wstring> list;
    int appendCalls = 0;
};

class FakeUserMessages : public UserMessages {
public:
    void ShowMessage(const std::wstring& text) override { shown.push_back(text); }
    std::vector<std::wstring> shown;
};

}  // namespace resolaunch::testing
