#include "flows/switch_owner.h"

#include <utility>

#include "base/ignoring_case.h"
#include "flows/mode_switch.h"
#include "platform/display_settings.h"

namespace resolaunch {

void SwitchOwner::SetRestoreAtEnd(bool restore) {
    restoreAtEnd_ = restore;
    KeepRecord();
}

int32_t SwitchOwner::Switch(const DisplayMode& mode, std::optional<uint32_t> rate) {
    const std::wstring& device = modes_.SelectedDisplay();
    std::wstring interfacePath;
    for (const DisplayInfo& display : displays_.AttachedDisplays()) {
        if (device.empty() ? display.primary : EqualIgnoringCase(display.deviceName, device)) {
            interfacePath = display.interfacePath;
        }
    }
    const std::optional<SwitchRecord> before = switched_;
    // The record comes first: ResoLaunch may be ended the moment the screen has switched.
    switched_ = SwitchRecord{device, interfacePath, mode, rate.value_or(0), std::nullopt};
    KeepRecord();
    const int32_t result = modes_.ApplyDisplayMode(mode.Width, mode.Height, mode.Bits, 0, rate);
    // A switch that failed or waits for a restart left the screen as it was.
    if (result != kChangeSuccessful) {
        switched_ = before;
        if (switched_) {
            switched_->launch.reset();  // its guard has been let go
        }
        KeepRecord();
    }
    return result;
}

int32_t SwitchOwner::Restore() {
    Drop();
    return RestoreDisplays(modes_, displays_);
}

int32_t SwitchOwner::ReturnToDefaults() {
    switched_.reset();
    recorded_ = false;
    records_.DeleteAll();
    ReleaseGuard();
    return RestoreDisplays(modes_, displays_);
}

void SwitchOwner::Drop() {
    switched_.reset();
    KeepRecord();
}

void SwitchOwner::KeepRecord() {
    if (restoreAtEnd_ && switched_) {
        recorded_ = records_.Write(*switched_);
    } else if (std::exchange(recorded_, false)) {
        records_.Delete();
    }
    // The record is gone before the guard is let go: the guard tells a normal end by that.
    if (!recorded_ || !switched_ || !switched_->launch) {
        ReleaseGuard();
    }
}

void SwitchOwner::ReleaseGuard() {
    if (std::exchange(guarded_, false)) {
        guard_->Release();
    }
}

void SwitchOwner::LaunchStarted() {
    if (switched_ && switched_->launch) {
        switched_->launch.reset();
        KeepRecord();
    }
}

void SwitchOwner::GuardLaunch(LaunchProcesses& processes, const FollowRule& rule, uint64_t keeperCreated) {
    if (guard_ == nullptr || !RestoreOwed() || !recorded_) {
        return;
    }
    const std::optional<ProcessIdentity> guard = guard_->Guard(processes, rule.keeper);
    if (!guard) {
        return;  // as without a guard: the next start makes the restore
    }
    guarded_ = true;
    switched_->launch = GuardedLaunch{*guard, processes.Hold(), rule, keeperCreated};
    KeepRecord();
}

bool SwitchOwner::TakeSwitch() {
    const bool inMode = switched_ && modes_.CurrentDisplayModeOn(switched_->device) == switched_->mode;
    Drop();
    return inMode;
}

std::optional<int32_t> SwitchOwner::RestoreAtLaunchEnd() {
    if (!restoreAtEnd_ || !switched_) {
        return std::nullopt;
    }
    // Another ResoLaunch's hotkey deleted every record: nothing is owed.
    if (recorded_ && !records_.Exists()) {
        recorded_ = false;
        switched_.reset();
        ReleaseGuard();
        return std::nullopt;
    }
    if (!TakeSwitch()) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

std::optional<int32_t> SwitchOwner::UndoSwitch() {
    if (!TakeSwitch()) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

std::optional<std::wstring> SwitchOwner::DeviceOf(const std::wstring& interfacePath) {
    for (const DisplayInfo& display : displays_.AttachedDisplays()) {
        if (EqualIgnoringCase(display.interfacePath, interfacePath)) {
            return display.primary ? std::wstring() : display.deviceName;
        }
    }
    return std::nullopt;
}

void SwitchOwner::SettleLeftBehind() {
    records_.SettleLeftBehind([this](const SwitchRecord& record) { SettleRecord(record); });
}

void SwitchOwner::SettleRecord(const SwitchRecord& record) {
    // The monitor it switched, found by its interface path where it has one: device names move.
    const std::optional<std::wstring> device =
        record.interfacePath.empty() ? std::optional<std::wstring>(record.device) : DeviceOf(record.interfacePath);
    if (device && modes_.CurrentDisplayModeOn(*device) == record.mode) {
        RestoreDisplays(modes_, displays_);
    }
}

}  // namespace resolaunch
