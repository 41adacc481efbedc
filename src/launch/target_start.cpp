#include "launch/target_start.h"

#include "launch/launch_target.h"
#include "text/messages.h"

namespace resolaunch {
namespace {

// No .url file a shell writes comes near this.
constexpr std::size_t kInternetShortcutReadLimit = 1024 * 1024;

StartedProgram NotStarted(const std::wstring& reason) { return {nullptr, reason, {}}; }

StartedProgram StartShellLink(const LaunchTarget& target, const TargetStartServices& services) {
    const std::optional<ShortcutRead> link = services.shortcuts.Read(target.path);
    if (!link) {
        return NotStarted(kUnreadableShellLinkMessage);
    }
    if (link->opensThroughShell) {
        return services.starter.OpenThroughShell(target.path);
    }
    // Arguments typed after the link follow the link's own.
    std::wstring command = L"\"" + link->target + L"\"";
    for (const std::wstring* arguments : {&link->arguments, &target.arguments}) {
        if (!arguments->empty()) {
            command += L" " + *arguments;
        }
    }
    return services.starter.Start(command, link->workingFolder);
}

StartedProgram StartUrl(const std::wstring& url, const TargetStartServices& services) {
    if (const std::optional<std::wstring> refusal = UrlRefusal(url)) {
        return NotStarted(*refusal);
    }
    const std::wstring scheme = url.substr(0, url.find(L':'));
    if (const std::optional<std::wstring> handler = services.urlHandlers.CommandOf(scheme)) {
        return services.starter.Start(HandlerCommandLine(*handler, url), std::wstring());
    }
    return services.starter.OpenThroughShell(url);
}

}  // namespace

TargetStart StartLaunchTarget(const std::wstring& typed, const TargetStartServices& services) {
    const LaunchTarget target = DecideLaunchTarget(typed, services.existing);
    switch (target.kind) {
    case LaunchTarget::Kind::ShellLink:
        return {StartShellLink(target, services), false};
    case LaunchTarget::Kind::InternetShortcut: {
        std::optional<std::string> bytes = services.files.ReadFile(target.path, kInternetShortcutReadLimit).Bytes();
        if (!bytes) {
            return {NotStarted(kUnreadableShellLinkMessage), true};
        }
        const std::optional<std::wstring> url = UrlOfInternetShortcut(*bytes, services.ansi);
        if (!url || !IsUrl(*url)) {
            return {NotStarted(kInternetShortcutWithoutUrlMessage), true};
        }
        return {StartUrl(*url, services), true};
    }
    case LaunchTarget::Kind::Url:
        return {StartUrl(target.path, services), true};
    case LaunchTarget::Kind::CommandText:
        break;
    }
    return {services.starter.Start(target.path, std::wstring()), false};
}

}  // namespace resolaunch
