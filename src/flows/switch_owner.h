#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "flows/switch_records.h"
#include "modes/display_mode.h"
#include "modes/module1.h"
#include "platform/displays.h"
#include "platform/launch_follower.h"
#include "platform/launch_guard.h"

namespace resolaunch {

// The one owner of ResoLaunch's switches: every switch and every restore,
// from the window, the command line and a launch's end, goes through it, and
// it alone knows what ResoLaunch switched and whether the screen is to go
// back when a launch ends. It is owed then when the user asked for it (the
// system menu's check, --restore-on-exit), ResoLaunch's own switch succeeded
// and nothing has put the screen back since, and the screen is still in the
// mode ResoLaunch switched to: a change of the user's own wins. While a
// restore is owed, a record of it (SwitchRecords) outlives this process, so
// that a later start makes it when this one was ended first; while a launch
// is followed then, a guard (GuardProcess) carries it on to its end.
class SwitchOwner {
public:
    // Without a guard (the guard's own), launches are not guarded.
    SwitchOwner(Module1& modes, Displays& displays, SwitchRecords& records, GuardProcess* guard = nullptr)
        : modes_(modes), displays_(displays), records_(records), guard_(guard) {}

    bool RestoreAtEnd() const { return restoreAtEnd_; }
    // Asked for, with a switch of ResoLaunch's own in effect, a restore is owed from now on.
    void SetRestoreAtEnd(bool restore);

    // 解像度変更's switch of the selected display: test, then switch for this
    // session only, at `rate` when one is given (else as
    // Module1::ApplyDisplayMode picks it). The platform's result.
    int32_t Switch(const DisplayMode& mode, std::optional<uint32_t> rate = std::nullopt);
    // The one restore (RestoreDisplays); nothing is owed after it.
    int32_t Restore();
    // Nothing is owed any more, and the screen stays as it is: ResoLaunch ends.
    void Drop();
    // Ctrl+Alt+Shift+R: every display back to its default mode (the one
    // restore), and no restore owed any more by any ResoLaunch: every record
    // goes.
    int32_t ReturnToDefaults();
    // The start of the window, --restore and a --mode line: the restores that
    // ResoLaunch processes which have ended still owed, made now where their
    // display is still in the mode they set.
    void SettleLeftBehind();
    // One such record's restore, where its display is still in its mode.
    void SettleRecord(const SwitchRecord& record);

    // A launch is followed to its end: while a restore is owed, the guard
    // holds the launch, and the record says how it is followed (the rule's
    // keeper created at `keeperCreated`). Anew for each change of the rule.
    void GuardLaunch(LaunchProcesses& processes, const FollowRule& rule, uint64_t keeperCreated);
    // A new launch has started: the one guarded before no longer counts.
    void LaunchStarted();

    // ResoLaunch's own switch is in effect and the user asked for it back at the end.
    bool RestoreOwed() const { return restoreAtEnd_ && switched_.has_value(); }
    // The display of the switch in effect; "" the primary.
    std::wstring SwitchedDevice() const { return switched_ ? switched_->device : std::wstring(); }

    // A followed launch has ended: the screen goes back when that is owed.
    // The restore's result when one was made.
    std::optional<int32_t> RestoreAtLaunchEnd();
    // A start failed: the screen goes back now when ResoLaunch's own switch
    // is still in effect, whatever the user asked for at the end.
    std::optional<int32_t> UndoSwitch();

private:
    // True when the switched display is still in the mode ResoLaunch set;
    // nothing is owed from then on either way.
    bool TakeSwitch();
    // The record is written while a restore is owed, and gone otherwise; the
    // guard runs only while it names a launch.
    void KeepRecord();
    void ReleaseGuard();
    // The device of the display with that interface path; nothing when it is not attached.
    std::optional<std::wstring> DeviceOf(const std::wstring& interfacePath);

    Module1& modes_;
    Displays& displays_;
    SwitchRecords& records_;
    GuardProcess* guard_;
    bool guarded_ = false;  // a guard was started and not released
    bool restoreAtEnd_ = false;
    std::optional<SwitchRecord> switched_;  // what ResoLaunch's switch set, while it is owed back
    bool recorded_ = false;                 // its record was written
};

}  // namespace resolaunch
