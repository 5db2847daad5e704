// Which open windows the Options window offers, and the names programs are listed under.
#include "editor/ProgramChoice.h"

#include "editor/OptionsForm.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <tuple>
#include <unordered_set>

namespace lumora {

namespace {

bool Shown(const TopLevelWindow& w) {
    return w.Visible && !w.Title.empty() && !w.Cloaked && !w.Ours && !w.Shell && !w.ToolWindow &&
           (!w.Owned || w.AppWindow);
}

} // namespace

std::vector<WindowOffer> WindowsToOffer(DesktopWindows& desktop, ProcessQueries& processes,
                                        const std::vector<std::u16string>& listed, int iconSize) {
    std::vector<WindowOffer> offer;
    std::vector<std::u16string> paths;
    for (const TopLevelWindow& w : desktop.TopLevelWindows()) {
        if (!Shown(w)) continue;
        // A program above ours cannot be read; Browse still names it.
        std::u16string path = processes.ProgramPath(w.Window);
        if (path.empty()) continue;
        offer.push_back({w.Window, w.Title, {}, 0});
        paths.push_back(std::move(path));
    }
    // The programs that may be offered at all, by the rules of the list of names.
    std::unordered_set<std::u16string> allowed;
    for (const std::u16string& name : ProgramsToOffer(paths, listed))
        allowed.insert(LowerCased(name));
    std::vector<WindowOffer> kept;
    for (std::size_t i = 0; i < offer.size(); ++i) {
        const auto slash = paths[i].find_last_of(u"\\/");
        std::u16string name = slash == std::u16string::npos ? paths[i] : paths[i].substr(slash + 1);
        if (!allowed.contains(LowerCased(name))) continue;
        offer[i].Program = std::move(name);
        kept.push_back(std::move(offer[i]));
    }
    const auto order = [](const WindowOffer& a, const WindowOffer& b) {
        const int byTitle = CompareTextInvariant(a.Title, b.Title);
        return byTitle != 0 ? byTitle < 0 : CompareTextInvariant(a.Program, b.Program) < 0;
    };
    std::stable_sort(kept.begin(), kept.end(), order);
    kept.erase(std::unique(kept.begin(), kept.end(),
                           [](const WindowOffer& a, const WindowOffer& b) {
                               return CompareTextInvariant(a.Title, b.Title) == 0 &&
                                      CompareTextInvariant(a.Program, b.Program) == 0;
                           }),
               kept.end());
    for (WindowOffer& w : kept)
        w.Icon = desktop.WindowIcon(w.Window, iconSize);
    return kept;
}

std::optional<std::u16string> ProgramOfFile(std::u16string_view path) {
    const auto slash = path.find_last_of(u"\\/");
    const std::u16string_view name =
        slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    constexpr std::u16string_view Extension = u".exe";
    if (name.size() <= Extension.size() ||
        CompareTextInvariant(name.substr(name.size() - Extension.size()), Extension) != 0)
        return std::nullopt;
    return std::u16string(name);
}

std::optional<std::size_t> FindProgram(const std::vector<std::u16string>& listed,
                                       std::u16string_view program) {
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (listed[i].size() == program.size() && CompareTextInvariant(listed[i], program) == 0)
            return i;
    return std::nullopt;
}

} // namespace lumora
